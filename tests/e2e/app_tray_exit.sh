#!/bin/bash
# Exit clicked with the mouse ends the program cleanly: exit code 0, the icon
# gone, the options written and the Run value removed for an unticked box. A
# re-created taskbar (TaskbarCreated, which Wine never sends itself) gets the
# icon as it looks now, without a second one.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/tray_lib.sh"
e2e_begin app_tray_exit

app="$W/tray"
store_reg_import <<'REG'
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"Shutterling"="C:\\old\\Shutterling.exe"
REG
store_run_begin "$app"

tray_choose Down Down Return  # Disable
tray_no_menu
tray_tip_is "Shutterling Disabled"
probe broadcast TaskbarCreated
sleep 1
tray_tip_is "Shutterling Disabled"
tray_at
expect_eq "one icon after TaskbarCreated" "$(probe tray-icons)" 1

tray_menu
tray_click_exit
tray_exited
expect_reg "Beep" "$STORE_OPTIONS_KEY" Beep '"0"'
expect_reg "WindowStartUp" "$STORE_OPTIONS_KEY" WindowStartUp '"0"'
expect_reg "PopupCounter" "$STORE_OPTIONS_KEY" PopupCounter '"0"'
expect_no_reg "Run value removed" "$STORE_RUN_KEY" Shutterling
log PASS
