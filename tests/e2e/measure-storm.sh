#!/bin/bash
# A storm of popups: with PAGES of the user's pages open, one page's script
# opens POPUPS popups in a loop, and its browser handles none of their close
# requests before the loop ends. Prints the time from the first popup's event
# to the last one's handler returning (its close request went out inside
# it), the WM_CLOSE the browsers handled and the count the program shows,
# then, in a second run with Wine's +ole channel on, every cross-process COM
# call the storm cost (the releases made after it included). Not a test.
#
#   tests/e2e/measure-storm.sh [BUILD_DIR] [POPUPS] [PAGES]
#   (defaults: build/mingw-i686, 40 popups, 10 pages; E2E_APP may name
#   another build's Shutterling.exe, to measure it with this simulator)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../../build/mingw-i686}" && pwd)"
popups=${2:-40}
pages=${3:-10}
source "$here/build_env.sh" "$build"
source "$here/lib.sh"
e2e_begin measure-storm

source "$here/calls_lib.sh"

# storm_run [WINEDEBUG]: one run; the storm is over once every popup is gone.
storm_run() {
    {
        echo 'open home title="Home" size=800x600'
        for i in $(seq 2 "$pages"); do echo "open page$i title=\"Page $i\" size=800x600"; done
        echo 'wait-client'
    } >"$W/opening.txt"
    # Not a pipe: sim_start must run in this shell to keep SIM_PID.
    sim_start <"$W/opening.txt"
    WINEDEBUG=${1:--all} app_start
    app_ready
    [ "$pages" -gt 1 ] && sim_wait 30 " put-opener page$pages "
    sim_sync
    before=$(settled)
    sim_do "storm ad opener=home menubar=no size=300x250 count=$popups"
    # A popup asked to close again is closed at its first WM_CLOSE.
    for i in $(seq "$popups"); do sim_wait 120 " destroyed ad$i\$"; done
    sim_sync
    after=$(settled)
    shown=$(probe text lblCounter)
    app_stop
    sim_quit
}

storm_run
took=$(awk '$2 == "fire" && $3 == "ad1" && !f { f = $1 }
    $2 == "fired" && $3 == "ad'"$popups"'" { l = $1 } END { printf "%.2f", (l - f) / 1000 }' "$W/sim.log")
closes=$(grep -cE ' wm_close ad[0-9]+ ' "$W/sim.log" || true)
echo "storm: $popups popups from one page, $pages pages open"
echo "first event -> last handler returned: ${took} s"
echo "WM_CLOSE handled by the browsers: $closes; the program shows: $shown"
storm_run +ole
echo "calls in all: $((after - before))"
