#!/bin/bash
# Measures, as the simulated shell sees it, the time from raising
# WindowRegistered for a popup to the popup's WM_CLOSE, with ten browser
# windows open, and the calls the program makes on the way: every member read
# the simulator serves, plus every call its channel hook sees where the COM
# runtime calls the hook (under Wine 8 here it is never called). Not a test: it prints medians and maxima.
# The simulated windows share the thread that raises the event, so WM_CLOSE is
# handled only once the program's handler has returned; the time of the
# program's last read of the popup's HWND (just before it posts WM_CLOSE) is
# printed too.
#
#   tests/e2e/measure-latency.sh [BUILD_DIR] [POPUPS]   (BUILD_DIR: build/mingw-x86_64 on
#   machines whose kernel cannot run 32-bit binaries)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../../build/mingw-i686}" && pwd)"
popups=${2:-25}
source "$here/build_env.sh" "$build"
export E2E_TRACE=1
source "$here/lib.sh"
e2e_begin measure-latency

{
    echo 'open home title="Home" size=800x600'
    for i in $(seq 2 10); do echo "open page$i title=\"Page $i\" size=800x600"; done
    echo 'wait-client'
} >"$W/opening.txt"
sim_start <"$W/opening.txt"
app_start
app_ready
sim_wait 30 ' put-opener page10 '
sim_sync

for i in $(seq 1 "$popups"); do
    sim_do "open pop$i title=\"Popup $i\" opener=home menubar=no size=300x250" \
        "wait-close pop$i timeout=10000" "sleep 200"
done
sim_wait 300 " destroyed pop$popups\$"
sim_sync
[ "$(sim_count ' wm_close pop')" -eq "$popups" ] || die "not every popup was closed"

# Per popup, in ms after the event was raised: WM_CLOSE, the handler's
# return, and the last read of the popup's HWND; then the round trips up to
# that read (the close request follows it at once) and in the whole handler.
awk '
    $2 == "fire" && $3 ~ /^pop/ { fire[$3] = $1; cur = $3; rpc = 0; toclose[cur] = -1 }
    ($2 == "rpc" || $2 == "read") && cur != "" { rpc++ }
    $2 == "read" && $3 ~ /^window=pop/ && $4 == "member=HWND" { w = substr($3, 8); hwnd[w] = $1 - fire[w]; toclose[w] = rpc }
    $2 == "fired" && $3 ~ /^pop/ { handler[$3] = $1 - fire[$3]; total[$3] = rpc; cur = "" }
    $2 == "wm_close" && $3 ~ /^pop/ { printf "%s %.3f %.3f %.3f %d %d\n", $3, $1 - fire[$3], handler[$3], hwnd[$3], toclose[$3], total[$3] }
' "$W/sim.log" >"$W/latency.txt"

stats() { # column of latency.txt -> "median max"
    cut -d' ' -f"$1" "$W/latency.txt" | sort -n |
        awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.1f %.1f", m, v[NR] }'
}
read -r med max <<<"$(stats 2)"
read -r hmed hmax <<<"$(stats 3)"
read -r pmed pmax <<<"$(stats 4)"
read -r cmed cmax <<<"$(stats 5)"
read -r tmed tmax <<<"$(stats 6)"
rpc_kinds=$(awk '$2 == "fire" && $3 == "pop1" { on = 1 } on && $2 == "rpc" { n[$3]++ }
    $2 == "fired" && $3 == "pop1" { for (k in n) printf "%s:%d ", substr(k, 5), n[k]; exit }' "$W/sim.log")
app_stop
sim_quit
echo "popups: $(wc -l <"$W/latency.txt"), windows open: 10"
echo "event -> WM_CLOSE: median ${med} ms, max ${max} ms"
echo "event -> handler returned: median ${hmed} ms, max ${hmax} ms"
echo "event -> HWND read before the post: median ${pmed} ms, max ${pmax} ms"
echo "shell calls, event -> close request: median ${cmed}, max ${cmax}"
echo "shell calls, whole handler: median ${tmed}, max ${tmax}"
echo "channel-hook calls of the first popup's handler by interface: ${rpc_kinds}"
echo "per popup: $W/latency.txt"
