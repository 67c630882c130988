#!/bin/bash
# The program starts while a browser that never answers is open (its Document
# read never returns): the icon, the options, the count and the safe list come
# up as usual, the start-up marking gives that browser up within 5 s (plus what
# marking a window takes anyway) and marks the page after it, and a popup that
# registers later is judged and closed.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_hung_at_start

app="$W/app"
mkdir -p "$app/ini"
printf 'Safe page\r\nAnother one\r\n' >"$app/ini/Shutterling.Dat"
store_reg_import <<'REG'
[HKEY_CURRENT_USER\Software\Shutterling\Options]
"Beep"="1"
"PopupCounter"="7"
REG
store_settle

sim_start <<'STORY'
open home title="Home" size=800x600
open stuck title="Stuck" size=800x600 hang=document:forever
open after title="After" size=800x600
wait-client
STORY
# Every window is open before the program starts: none registers while it runs.
sim_wait 60 ' waiting for=client$'
store_app_start "$app"
wait_for 30 "the tray icon" probe tray-icon
app_ready
expect_eq "beep option" "$(probe check chkBeep)" 1
expect_eq "counter" "$(probe text lblCounter)" "7 Popups blocked till now"
expect_eq "safe list" "$(probe list lstSafe | paste -sd'|')" "Safe page|Another one"

sim_wait 30 ' put-opener home '
marking=$(seconds_between ' advise sink=1 ' ' put-opener home ')
expect_log_within "the page after the stuck one marked" "$(seconds_plus 5 "$marking")" \
    ' hang stuck read=Document for=forever$' ' put-opener after kind=string value="" '

popup pop "Pop"
sim_wait 60 ' wm_close pop '
expect_eq "counter after the popup" "$(probe text lblCounter)" "8 Popups blocked till now"
expect_no_log "no page was closed" ' wm_close (home|stuck|after) '
store_run_end
expect_reg "count stored" "$STORE_OPTIONS_KEY" PopupCounter '"8"'
expect_stored_count_is_closes 7
log PASS
