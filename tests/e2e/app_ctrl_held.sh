#!/bin/bash
# Ctrl held down while a popup opens lets it through (it is marked); once Ctrl
# is released the next popup is closed.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin app_ctrl_held

start_with_home

# Let go once the popup is judged; the limit only ends a test gone wrong.
hold_ctrl 30000 >"$W/ctrl.out" &
HOLD=$!
wait_for 20 "Ctrl to go down" grep -qE '^ctrl (not )?down$' "$W/ctrl.out"
expect_eq "Ctrl is down" "$(head -1 "$W/ctrl.out")" "ctrl down"
sim_do 'open held title="Wanted" opener=home menubar=no size=300x250'
sim_fired held
sim_sync
expect_log "the popup opened under Ctrl was marked" ' put-opener held kind=string value="" '
expect_no_log "and not closed" ' wm_close held '
ctrl_release
wait "$HOLD"

sim_do 'open later title="Unwanted" opener=home menubar=no size=300x250'
sim_fired later
sim_sync
expect_log "without Ctrl the next popup is closed" ' wm_close later '
expect_eq "blocked list" "$(probe list lstPopups)" "Unwanted"
app_stop
sim_quit
log PASS
