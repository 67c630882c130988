#!/bin/bash
# A browser busy in a modal loop turns every call away for 2 s
# (RPC_E_SERVERCALL_RETRYLATER from each member), then answers: the pass of
# its event leaves it, and its windows are judged, with no further event,
# once it answers, exactly as if it had answered at once. A popup gets
# WM_CLOSE, is listed and counted; a plain page is marked and left open.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_busy_window

start_with_home
# window|settings|what the judgment does
cases=(
    'busyad|title="Busy ad" opener=home menubar=no size=300x250|close'
    'busypage|title="Busy page" opener=home menubar=yes size=800x600|mark'
)
for row in "${cases[@]}"; do
    IFS='|' read -r name settings outcome <<<"$row"
    sim_do "open $name $settings busy=2"
    sim_fired "$name"
    if [ "$outcome" = close ]; then
        sim_wait 30 " wm_close $name "
        sim_sync
        expect_no_log "$name not marked" " put-opener $name "
    else
        sim_wait 30 " put-opener $name kind=string value=\"\" "
        sim_sync
        expect_no_log "$name left open" " wm_close $name "
    fi
    expect_log "$name turned calls away first" " rejected $name member="
    expect_log "$name answered once no longer busy" " answer $name member="
done
expect_eq "blocked list" "$(probe list lstPopups | paste -sd'|')" "Busy ad"
expect_eq "counter" "$(probe text lblCounter)" "1 Popups blocked till now"
expect_shown_count_is_closes
app_stop
sim_quit
log PASS
