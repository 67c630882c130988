#!/bin/bash
# Measures what a browser that stops answering costs the program: the time
# from Exit in the tray menu to the end of the process while a judgment waits
# on a popup whose LocationName read hangs for HANG seconds, and how long a
# later popup waits, from its event to its WM_CLOSE, while another browser's
# Document read hangs for HANG seconds (next to what it waits while every
# browser answers), and the worst such wait of five popups while another
# browser turns every call away as busy for HANG seconds, and what a popup
# sized like a page waits when its opener's browser hangs. Not a test: it
# prints the figures.
#
#   tests/e2e/measure-hang.sh [BUILD_DIR] [HANG]   (BUILD_DIR: build/mingw-x86_64 on
#   machines whose kernel cannot run 32-bit binaries; HANG: seconds, 20 by default)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:-$here/../../build/mingw-i686}" && pwd)"
hang=${2:-20}
source "$here/build_env.sh" "$build"
source "$here/lib.sh"
source "$here/tray_lib.sh"
source "$here/hang_lib.sh"
e2e_begin measure-hang

# Exit while a judgment waits on the hung read.
start_with_home
popup slow "Slow ad" "hang=locationname:$hang"
sim_wait 60 ' hang slow read=LocationName '
hang_seen=$(date +%s.%N)
tray_menu
tray_click_exit
wait_for $((hang + 60)) "Shutterling.exe to end" sh -c "! kill -0 $APP_PID"
ended=$(date +%s.%N)
app_wait_exit 10
exit_took=$(awk -v a="$EXIT_AT" -v b="$ended" 'BEGIN { printf "%.2f", b - a }')
exit_into=$(awk -v a="$hang_seen" -v b="$EXIT_AT" 'BEGIN { printf "%.2f", b - a }')
sim_quit

# A popup while another browser hangs.
start_with_home
usual=$(usual_latency usual1 usual2 usual3)
sim_do 'open stuck title="Stuck" size=800x600 thread=own'
sim_fired stuck
sim_do "set stuck hang=document:$hang"
popup pop "Pop" thread=own
sim_wait $((hang + 60)) ' wm_close pop '
waited=$(popup_latency pop)
app_stop
sim_quit

# Popups, 1.5 s apart, while another browser turns every call away as busy.
start_with_home
sim_do 'open jammed title="Jammed" size=800x600 thread=own'
sim_fired jammed
sim_do "set jammed busy=$hang"
busy_worst=0
for i in 1 2 3 4 5; do
    popup "jam$i" "Busy $i" thread=own
    sim_wait $((hang + 60)) " wm_close jam$i "
    busy_worst=$(awk -v a="$busy_worst" -v b="$(popup_latency "jam$i")" 'BEGIN { print (b > a) ? b : a }')
    sleep 1.5
done
app_stop
sim_quit

# A popup sized like a page, whose opener's browser hangs at the pass's first
# read of it: only the opener probe can judge it.
start_with_home
sim_do 'open opener title="Opener" size=800x600 thread=own'
sim_fired opener
sim_do "set opener hang=document:$hang"
sim_do 'open paged title="Paged" opener=opener menubar=yes size=800x600 thread=own'
sim_wait $((hang + 60)) ' wm_close paged '
probed=$(popup_latency paged)
app_stop
sim_quit

echo "browser hang: ${hang} s"
echo "Exit -> end of Shutterling.exe: ${exit_took} s (Exit clicked ${exit_into} s into the hang)"
echo "popup event -> WM_CLOSE while another browser hangs: ${waited} s"
echo "popup event -> WM_CLOSE, every browser answering (worst of 3): ${usual} s"
echo "popup event -> WM_CLOSE while another browser is busy (worst of 5, 1.5 s apart): ${busy_worst} s"
echo "popup event -> WM_CLOSE, sized like a page, its opener's browser hanging: ${probed} s"
