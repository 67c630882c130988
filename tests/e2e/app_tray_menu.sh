#!/bin/bash
# The tray icon as a user meets it: a right-click opens the menu (Settings,
# Disable, About, a separator, Exit; the window comes to the foreground),
# Escape closes it with nothing run; Settings and a double-click show the one
# settings window with Done focused; Disable switches the tooltip and the icon
# and lets a popup through uncounted, Enable switches them back and leaves that
# popup open; Exit chosen by keyboard (Up, Return) ends the program cleanly,
# takes the icon away and writes the options and the Run value.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/tray_lib.sh"
e2e_begin app_tray_menu

app="$W/tray"
store_run_begin "$app"
tray_tip_is "Shutterling Enabled"
enabled=$(tray_pixels)

tray_menu
expect_eq "main window in the foreground for its menu" "$(probe foreground)" yes
import -window root "$W/menu-open.png" || true
probe key Escape
tray_no_menu
sleep 0.5
expect_eq "Escape runs nothing: window" "$(probe visible)" no
tray_tip_is "Shutterling Enabled"

# The first item is Settings: it shows the window, in front, on Done.
tray_choose Down Return
wait_for 10 "Settings to show the window" answers yes visible
expect_eq "foreground after Settings" "$(probe foreground)" yes
expect_eq "focus after Settings" "$(probe focus)" cmdDone

# The close box hides the window wherever the focus was; a double-click
# brings it back on Done, and a second double-click leaves one window.
probe key Tab
wait_for 10 "Tab to move the focus" answers lstSafe focus
probe post 274 0xF060  # WM_SYSCOMMAND SC_CLOSE, the close box
wait_for 10 "the close box to hide the window" answers no visible
tray_dblclick
wait_for 10 "a double-click to show the window" answers yes visible
expect_eq "focus after the double-click" "$(probe focus)" cmdDone
expect_eq "foreground after the double-click" "$(probe foreground)" yes
tray_dblclick
sleep 1
expect_eq "windows after a second double-click" "$(probe instances)" 1
expect_eq "still shown" "$(probe visible)" yes
probe click cmdDone
wait_for 10 "Done to hide the window" answers no visible

# The second item switches blocking off: tooltip and icon follow, and a popup
# opening now is let through, not counted, and stays open after Enable.
tray_choose Down Down Return
tray_no_menu
tray_tip_is "Shutterling Disabled"
disabled=$(tray_pixels)
[ "$disabled" != "$enabled" ] || die "the tray icon did not change when disabled"
log "ok: disabled icon differs"
sim_do 'open ad title="Buy now" opener=home menubar=no size=300x250'
sim_fired ad
sim_sync
expect_log "the popup is marked as judged" ' put-opener ad '
expect_no_log "and not closed" ' wm_close ad '
expect_eq "nothing counted" "$(probe text lblCounter)" "0 Popups blocked till now"
expect_eq "nothing listed" "$(probe count lstPopups)" 0

tray_choose Down Down Return
tray_no_menu
tray_tip_is "Shutterling Enabled"
expect_eq "enabled icon again" "$(tray_pixels)" "$enabled"
sim_do 'open ad2 title="Win big" opener=home menubar=no size=300x250'
sim_wait 30 ' wm_close ad2 '
sim_sync
expect_no_log "the popup let through stays open" ' wm_close ad '
expect_eq "one blocked after Enable" "$(probe text lblCounter)" "1 Popups blocked till now"

# The last item is Exit, chosen by keyboard.
probe click chkWindowStartup
wait_for 10 "the start-up box ticked" answers 1 check chkWindowStartup
tray_choose Up Return
tray_exited
expect_reg "Beep" "$STORE_OPTIONS_KEY" Beep '"0"'
expect_reg "WindowStartUp" "$STORE_OPTIONS_KEY" WindowStartUp '"1"'
expect_reg "PopupCounter" "$STORE_OPTIONS_KEY" PopupCounter '"1"'
expect_reg "Run value" "$STORE_RUN_KEY" Shutterling "$(reg_sz "$(winpath "$app/Shutterling.exe")")"
log PASS
