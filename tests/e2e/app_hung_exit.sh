#!/bin/bash
# Exit from the tray menu while a judgment waits on a browser that stopped
# answering (a popup whose LocationName read hangs for 30 s): the menu opens,
# the process ends within 2 s of the click without a crash, and everything is
# saved as at any Exit: options, the count, the Run value, the safe list.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/tray_lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_hung_exit

app="$W/tray"
mkdir -p "$app/ini"
printf 'Safe page\r\nAnother one\r\n' >"$app/ini/Shutterling.Dat"
cp "$app/ini/Shutterling.Dat" "$W/expected.dat"
store_reg_import <<'REG'
[HKEY_CURRENT_USER\Software\Shutterling\Options]
"Beep"="0"
"WindowStartUp"="0"
"PopupCounter"="4"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"Shutterling"="C:\\old\\Shutterling.exe"
REG
store_run_begin "$app"
popup ad "Ad"
sim_fired ad
expect_eq "counter before the hang" "$(probe text lblCounter)" "5 Popups blocked till now"

popup slow "Slow ad" hang=locationname:30
sim_wait 60 ' hang slow read=LocationName for=30\.000$'
tray_menu
tray_click_exit
app_gone_within 2 "$EXIT_AT" "after Exit"
expect_no_log "the browser had not answered yet" ' answer slow '
tray_exited
expect_reg "Beep" "$STORE_OPTIONS_KEY" Beep '"0"'
expect_reg "WindowStartUp" "$STORE_OPTIONS_KEY" WindowStartUp '"0"'
expect_reg "PopupCounter" "$STORE_OPTIONS_KEY" PopupCounter '"5"'
expect_stored_count_is_closes 4
expect_no_reg "Run value removed" "$STORE_RUN_KEY" Shutterling
expect_bytes "safe list saved unchanged" "$app/ini/Shutterling.Dat" "$W/expected.dat"
expect_no_temp "$app"
log PASS
