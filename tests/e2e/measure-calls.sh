#!/bin/bash
# Counts every cross-process COM call Shutterling.exe makes per popup, by
# interface, with N browser windows open at each event (N-1 plain pages and
# the popup), and the time from the event to the popup's WM_CLOSE. Wine's COM
# layer prints one ClientRpcChannelBuffer_GetBuffer line per outgoing call on
# its +ole channel, whichever thread makes it; the program alone runs with
# that channel on. Two counts per popup: the calls from the shell's event to
# the close request (up to and including the read of the popup's HWND, which
# the post follows at once), and all the calls the popup causes, the releases
# made after the close request included. Not a test: it prints a table.
#
#   tests/e2e/measure-calls.sh [BUILD_DIR] [POPUPS] [N...]
#   (defaults: build/mingw-i686, 5 popups, N = 1 2 5 10 20; BUILD_DIR
#   build/mingw-x86_64 where the kernel cannot run 32-bit binaries)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../../build/mingw-i686}" && pwd)"
popups=${2:-5}
shift $(($# > 2 ? 2 : $#))
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1 2 5 10 20)

if [ -z "${MEASURE_WINDOWS:-}" ]; then
    printf '%-8s %-8s %-7s %-22s %s\n' windows "to close" all "latency median/max ms" "all, per interface"
    for n in "${sizes[@]}"; do
        MEASURE_WINDOWS=$n "$0" "$build" "$popups" 2>"/tmp/measure-calls-$n.log" ||
            { echo "run with $n windows failed: /tmp/measure-calls-$n.log"; exit 1; }
    done
    exit 0
fi

n=$MEASURE_WINDOWS
source "$here/build_env.sh" "$build"
source "$here/lib.sh"
e2e_begin "measure-calls-$n"

{
    for i in $(seq 2 "$n"); do echo "open page$i title=\"Page $i\" size=800x600"; done
    echo 'wait-client'
} >"$W/opening.txt"
sim_start <"$W/opening.txt"
WINEDEBUG=+timestamp,+ole app_start
app_ready
[ "$n" -gt 1 ] && sim_wait 30 " put-opener page$n "
sim_sync

source "$here/calls_lib.sh"
: >"$W/per-popup.txt"
for i in $(seq 1 "$popups"); do
    before=$(settled)
    start_line=$((before + 1))
    sim_do "open pop$i title=\"Popup $i\" opener=object menubar=no size=300x250"
    sim_fired "pop$i"
    # Alone, it is the one HTML window and is not judged: the user closes it.
    [ "$n" -eq 1 ] && sim_do "close pop$i"
    sim_wait 30 " destroyed pop$i\$"
    after=$(settled)
    call_lines | sed -n "${start_line},${after}p" >>"$W/calls.txt"
    echo "$i $((after - before))" >>"$W/per-popup.txt"
done
app_stop
sim_quit

# The interface of each call, by the IID on its line.
names='
00000131-0000-0000-c000-000000000046 IRemUnknown
00020400-0000-0000-c000-000000000046 IDispatch
00020404-0000-0000-c000-000000000046 IEnumVARIANT
b196b283-bab4-101a-b69c-00aa00341d07 IProvideClassInfo
00020401-0000-0000-c000-000000000046 ITypeInfo
eab22ac1-30c1-11cf-a7eb-0000c05bae0b IWebBrowser
0002df05-0000-0000-c000-000000000046 IWebBrowserApp
d30c1661-cdaf-11d0-8a3e-00c04fc9e26e IWebBrowser2
85cb6900-4d95-11cf-960c-0080c7f4ee85 IShellWindows
b196b284-bab4-101a-b69c-00aa00341d07 IConnectionPointContainer
b196b286-bab4-101a-b69c-00aa00341d07 IConnectionPoint'
by_interface=$(sed -n 's/.*,{\([0-9a-f-]*\)})$/\1/p' "$W/calls.txt" | sort | uniq -c |
    while read -r count iid; do
        name=$(awk -v i="$iid" '$1 == i { print $2 }' <<<"$names")
        printf '%s:%s ' "${name:-$iid}" "$(awk -v c="$count" -v p="$popups" 'BEGIN { printf "%g", c / p }')"
    done)
read -r med max <<<"$(awk '$2 == "fire" && $3 ~ /^pop/ { f[$3] = $1 }
    $2 == "wm_close" && $3 ~ /^pop/ { print $1 - f[$3] }' "$W/sim.log" | sort -n |
    awk '{ v[NR] = $1 } END { if (!NR) { print "- -"; exit }
        m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.0f %.0f", m, v[NR] }')"
total=$(awk '{ s += $2 } END { printf "%g", s / NR }' "$W/per-popup.txt")
# From each event (the shell's Invoke reaching the sink) to the HWND read.
to_close=$(awk '
    /trace:ole:dispatch_rpc .* iMethod = 6$/ { on = 1; n = 0; next }
    on && /ClientRpcChannelBuffer_GetBuffer \(.*\)->\(/ { n++; if (hwnd) { sum += n; k++; on = 0; hwnd = 0 } }
    on && /IDispatch_Invoke_Proxy [0-9A-Fa-f]+, -515,/ { hwnd = 1 }
    END { if (k) printf "%g", sum / k; else printf "-" }' "$W/app.out")
printf '%-8s %-8s %-7s %-22s %s\n' "$n" "$to_close" "$total" "$med / $max" "$by_interface"
