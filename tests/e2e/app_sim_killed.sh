#!/bin/bash
# The browser shell dies while Shutterling runs: no crash, no hang, the window
# still answers, and the later exit is clean.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin app_sim_killed

start_with_home
sim_do 'open ad title="Before the crash" opener=home menubar=no size=300x250'
sim_wait 30 ' wm_close ad '
sim_sync

sim_do die
wait_for 30 "the simulator to die" sh -c "! kill -0 $SIM_PID"
SIM_PID=""
sleep 2
kill -0 "$APP_PID" || die "Shutterling.exe ended with the shell"
expect_eq "still answers: counter" "$(probe text lblCounter)" "1 Popups blocked till now"
expect_eq "still answers: list" "$(probe list lstPopups)" "Before the crash"
start=$(date +%s)
app_stop
log "exit took $(($(date +%s) - start))s after the shell died"
log PASS
