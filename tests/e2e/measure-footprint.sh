#!/bin/bash
# The program's footprint under Wine: working set and private bytes after
# start and after POPUPS blocked popups, its GDI and USER objects before and
# after them, the CPU time it takes over 10 idle seconds, the exe's size and
# the DLLs it imports. Not a test: it prints figures.
#
#   tests/e2e/measure-footprint.sh [BUILD_DIR] [POPUPS]   (BUILD_DIR: build/mingw-x86_64
#   on machines whose kernel cannot run 32-bit binaries)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../../build/mingw-i686}" && pwd)"
popups=${2:-200}
source "$here/build_env.sh" "$build"
source "$here/lib.sh"
e2e_begin measure-footprint

# snapshot N: the program's counters at one moment; figure N NAME: one of them.
snapshot() { probe footprint >"$W/footprint-$1.txt"; }
figure() { awk -v k="$2" '$1 == k { print $2 }' "$W/footprint-$1.txt"; }

start_with_home
sim_sync 1000
snapshot 0
ws0=$(figure 0 working-set-kb) pv0=$(figure 0 private-kb)
gdi0=$(figure 0 gdi-objects) usr0=$(figure 0 user-objects) win0=$(figure 0 windows)

for i in $(seq 1 "$popups"); do
    sim_do "open pop$i title=\"Popup $i\" opener=home menubar=no size=300x250" \
        "wait-close pop$i timeout=10000"
done
sim_wait $((popups + 60)) " destroyed pop$popups\$"
sim_sync 1000
closed=$(sim_count ' wm_close pop')
snapshot 1
ws1=$(figure 1 working-set-kb) pv1=$(figure 1 private-kb)
gdi1=$(figure 1 gdi-objects) usr1=$(figure 1 user-objects) win1=$(figure 1 windows)

# CPU time from Linux (user + system ticks of the Wine process that runs the
# exe): Wine's GetProcessTimes for another process is too coarse for this.
# APP_PID is timeout(1); its child is the Windows process.
pid=$(ps -o pid= --ppid "$APP_PID" | tr -d ' ' | head -1)
ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
# Idle begins once the last popup's close and Wine's RPC threads have settled.
sleep 5
cpu0=$(ticks)
sleep 10
cpu1=$(ticks)

app_stop
sim_quit
imports=$(x86_64-w64-mingw32-objdump -p "$E2E_APP" | awk '/DLL Name:/ { print $3 }' | sort | paste -sd' ')
echo "exe: $(stat -c %s "$E2E_APP") bytes; imports: $imports"
echo "popups closed: $closed of $popups"
echo "working set: ${ws0} KB after start, ${ws1} KB after the popups"
echo "private bytes: ${pv0} KB after start, ${pv1} KB after the popups"
echo "GDI objects: ${gdi0} -> ${gdi1}; USER objects: ${usr0} -> ${usr1} (GetGuiResources)"
echo "windows of the process: ${win0} -> ${win1}"
echo "CPU time over 10 idle seconds: $(((cpu1 - cpu0) * 1000 / $(getconf CLK_TCK))) ms"
