#!/bin/bash
# The settings window's own actions on the real controls: a double-click on a
# blocked title puts it on the safe list (so the next popup with that title is
# let through), "<No Title>" is refused with a notice, Done with the reset box
# ticked zeroes the count and hides the window, a double-click on a safe-list
# entry removes it; the exit stores what the window left.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
e2e_begin app_settings_window

app="$W/settings"
store_run_begin "$app"
sim_do 'open ad title="Buy now" opener=home menubar=no size=300x250' \
    'open blank title="" opener=home menubar=no size=300x250'
sim_wait 30 ' wm_close blank '
sim_sync
expect_eq "blocked list" "$(probe list lstPopups | paste -sd'|')" "Buy now|<No Title>"

probe show
wait_for 10 "the settings window" answers yes visible

probe dblclick lstPopups 0
wait_for 10 "the title on the safe list" answers 1 count lstSafe
expect_eq "safe list" "$(probe list lstSafe)" "Buy now"

probe dblclick lstPopups 1
wait_for 10 "the notice" not_answers none msgbox
expect_eq "notice" "$(probe msgbox)" \
    "Shutterling|You can not add this to safe list as the page has no title"
probe dismiss
wait_for 10 "the notice to close" answers none msgbox
expect_eq "nothing added for a blank title" "$(probe list lstSafe)" "Buy now"

sim_do 'open again title="Buy now" opener=home menubar=no size=300x250'
sim_fired again
sim_sync
expect_log "a safe-listed title is let through" ' put-opener again '
expect_no_log "and stays open" ' wm_close again '

probe click chkReset
wait_for 10 "the reset box ticked" answers 1 check chkReset
probe click cmdDone
wait_for 10 "Done to hide the window" answers no visible
expect_eq "counter reset" "$(probe text lblCounter)" "0 Popups blocked till now"
expect_eq "reset box cleared" "$(probe check chkReset)" 0
expect_eq "blocked list kept" "$(probe list lstPopups | paste -sd'|')" "Buy now|<No Title>"

probe dblclick lstSafe 0
wait_for 10 "the entry removed" answers 0 count lstSafe

store_run_end
expect_bytes "the emptied safe list" "$app/ini/Shutterling.Dat" /dev/null
expect_reg "the reset count" "$STORE_OPTIONS_KEY" PopupCounter '"0"'
log PASS
