#!/bin/bash
# The shell's events arrive inside the program's own calls to the shell, as
# they do when a browser restores its windows while the program starts: here
# popups register inside the start-up's marking calls and inside the calls of
# a running judgment, several deep. Each round starts the program afresh with
# other nesting points. No crash, and one popup is one block: every popup gets
# exactly one WM_CLOSE, and the stored count and the blocked list agree with
# the close requests the shell saw.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
e2e_begin app_nested_events

# Per round: the calls after which start-up popups register, then those after
# which popups register inside the judgment of a popup that opens normally;
# all within the calls the program makes there. At start-up from the second
# call on: one that registers inside the first, which starts the walk that
# takes the windows open before the subscription, is one of them, and marked.
rounds=("2 4 8 14|2 5 9 13 19" "2 6 10 15|1 4 7 11 16" "3 5 9 12|3 6 8 12 17")
total=0
for round in "${!rounds[@]}"; do
    IFS='|' read -r at_start while_running <<<"${rounds[round]}"
    popups=()
    story='open home title="Home" size=800x600
open page2 title="Page 2" size=640x480
open page3 title="Page 3" size=1024x700'
    for k in $at_start; do
        popups+=("s${round}k$k")
        story+=$'\n'"open s${round}k$k title=\"Start $k\" opener=home menubar=no size=300x250 fire=inside:$k"
    done
    story+=$'\nwait-client'
    sim_start <<<"$story"
    app_start
    app_ready
    for name in "${popups[@]}"; do sim_wait 60 " wm_close $name "; done

    steps=()
    for k in $while_running; do
        popups+=("r${round}k$k")
        steps+=("open r${round}k$k title=\"Run $k\" opener=page2 menubar=no size=320x240 fire=inside:$k")
    done
    popups+=("r${round}first")
    steps+=("open r${round}first title=\"First\" opener=home menubar=no size=300x250")
    sim_do "${steps[@]}"
    for name in "${popups[@]}"; do sim_wait 60 " wm_close $name "; done
    sim_sync

    for name in "${popups[@]}"; do
        [ "$(sim_count " wm_close $name ")" -eq 1 ] || die "$name: not exactly one WM_CLOSE"
    done
    closes=$(sim_count ' wm_close ')
    expect_eq "round $round: every popup closed once, nothing else" "$closes" "${#popups[@]}"
    expect_eq "round $round: blocked list" "$(probe list lstPopups | grep -c .)" "$closes"
    expect_eq "round $round: counter" "$(probe text lblCounter)" \
        "$((total + closes)) Popups blocked till now"
    total=$((total + closes))
    store_run_end
    expect_reg "round $round: stored count" "$STORE_OPTIONS_KEY" PopupCounter "\"$total\""
done
log PASS
