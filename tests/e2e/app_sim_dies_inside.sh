#!/bin/bash
# The browser shell dies while the program is inside a judgment, at a
# different call each round: the program's calls fail, it neither crashes nor
# hangs, still answers, and its exit is clean.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin app_sim_dies_inside

for calls in 2 9 14; do
    start_with_home
    # The count saved by the round before.
    before=$(probe text lblCounter | cut -d' ' -f1)
    sim_do "die-inside $calls" \
        'open ad title="Mid judgment" opener=home menubar=no size=300x250'
    wait_for 30 "the simulator to die" sh -c "! kill -0 $SIM_PID"
    SIM_PID=""
    sleep 1
    kill -0 "$APP_PID" || die "Shutterling.exe ended with the shell (call $calls)"
    counter=$(probe text lblCounter)
    case "$counter" in
        "$before Popups blocked till now" | "$((before + 1)) Popups blocked till now")
            log "ok: still answers: $counter" ;;
        *) die "counter after the shell died inside call $calls: [$counter], from $before" ;;
    esac
    app_stop
    wineserver -k 2>/dev/null || true
done
log PASS
