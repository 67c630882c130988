#!/bin/bash
# A safe list prepared in the data file exempts its titles, exactly as
# written; the count of blocked popups and the file survive a restart
# unchanged, and the restarted program still exempts the same titles.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
e2e_begin app_store_safe_list

app="$W/app"
mkdir -p "$app/ini"
printf 'Safe page\r\nAnother one\r\n' >"$app/ini/Shutterling.Dat"
cp "$app/ini/Shutterling.Dat" "$W/expected.dat"

# popup NAME TITLE: a script-opened window that the judgment would block.
popup() { sim_do "open $1 title=\"$2\" opener=home menubar=no size=300x250"; sim_fired "$1"; }

store_run_begin "$app"
expect_eq "safe list from the file" "$(probe list lstSafe | paste -sd'|')" "Safe page|Another one"
popup safe1 "Safe page"
popup ad1 "Ad one"
popup ad2 "safe page"
sim_sync
expect_log "the safe-listed popup was marked" ' put-opener safe1 kind=string value="" '
expect_no_log "and stays open" ' wm_close safe1 '
expect_log "an unlisted popup was closed" ' wm_close ad1 '
expect_log "a title differing in case only was closed" ' wm_close ad2 '
expect_eq "blocked list" "$(probe list lstPopups | paste -sd'|')" "Ad one|safe page"
expect_eq "counter" "$(probe text lblCounter)" "2 Popups blocked till now"
store_run_end

expect_reg "count stored" "$STORE_OPTIONS_KEY" PopupCounter '"2"'
expect_bytes "data file unchanged" "$app/ini/Shutterling.Dat" "$W/expected.dat"
expect_no_temp "$app"

store_run_begin "$app"
expect_eq "count after restart" "$(probe text lblCounter)" "2 Popups blocked till now"
expect_eq "blocked list starts empty" "$(probe count lstPopups)" 0
popup safe2 "Another one"
popup safe3 "Safe page"
popup ad3 "Ad three"
sim_sync
expect_no_log "safe-listed popups still stay open" ' wm_close safe[23] '
expect_log "one was marked" ' put-opener safe2 kind=string value="" '
expect_log "the other too" ' put-opener safe3 kind=string value="" '
expect_log "and others are still closed" ' wm_close ad3 '
expect_eq "counter goes on from the stored count" "$(probe text lblCounter)" "3 Popups blocked till now"
store_run_end

expect_reg "count stored again" "$STORE_OPTIONS_KEY" PopupCounter '"3"'
expect_bytes "data file still unchanged" "$app/ini/Shutterling.Dat" "$W/expected.dat"
log PASS
