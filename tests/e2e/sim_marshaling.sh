#!/bin/bash
# Our own client reaches every part of the simulated shell across processes,
# the way Shutterling.exe does: activation through TreatAs, the event, the
# enumerator, IWebBrowser2, documents by name, class names both ways, the
# opener chain with its failures, a posted WM_CLOSE and a put of opener.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin sim_marshaling

sim_start <<'STORY'
open pre title="Already here" size=640x480
wait-client
sleep 800                                   # the client's first walk
open home title="My page" size=800x600
open ad title="Buy now" opener=home menubar=no size=300x250
open tall title="Tall" opener=home size=800x600 fail=closed
open folder doc=other title="C:\\Windows"
open nodoc doc=none
open plain2 title="Odd" classinfo=no opener=object closed=true size=640x480 restored=500x400
open broken title="Broken" opener=fail fail=menubar,width
sleep 500
quit
STORY

(cd "$W" && timeout 120 wine "$E2E_CLIENT" --events 7 --act --timeout 60000) | tr -d '\r' >"$W/client.out" \
    || die "sim-client failed: $(tail -3 "$W/client.out")"
wait_for 30 "the simulator to end" sh -c "! kill -0 $SIM_PID"
wait "$SIM_PID" || die "simulator exit code $?"
SIM_PID=""

has() { grep -qF -- "$1" "$W/client.out" || die "client output lacks: $1"; log "ok: $1"; }
has 'created'
has 'advised'
has 'walk start count=1'
has 'window 0 title="Already here" menubar=yes fullscreen=no width=640 height=480 restored=640x480 maximized=no classinfo=HTMLDocument typeinfo=HTMLDocument opener=empty'
has "event WindowRegistered cookie=2 args=1 ctrl=up"
has 'window 2 title="Buy now" menubar=no fullscreen=no width=300 height=250 restored=300x250 maximized=no classinfo=HTMLDocument typeinfo=HTMLDocument opener=object closed=false'
has 'act close 2'
has 'title="Tall" menubar=yes fullscreen=no width=800 height=600 restored=800x600 maximized=no classinfo=HTMLDocument typeinfo=HTMLDocument opener=object closed=fail'
has 'opener=string:""'
has 'title="C:\Windows" menubar=yes fullscreen=no width=800 height=600 restored=800x600 maximized=no classinfo=ShellFolderView typeinfo=ShellFolderView opener=empty'
has 'title="nodoc" menubar=yes fullscreen=no width=800 height=600 restored=800x600 maximized=no document=none'
has 'title="Odd" menubar=yes fullscreen=no width=640 height=480 restored=500x400 maximized=no classinfo=none typeinfo=HTMLDocument opener=object closed=true'
has 'title="Broken" menubar=fail fullscreen=no width=fail height=600 restored=800x600 maximized=no classinfo=HTMLDocument typeinfo=HTMLDocument opener=fail'
has 'item past-end s_false'
has 'unadvised hr=0x00000000'
has 'done'
# The closed popup is gone from later walks.
[ "$(grep -c 'title="Buy now"' "$W/client.out")" -eq 1 ] || die "the closed popup was walked again"

expect_log "advised through the event interface" ' advise sink=1 via=DShellWindowsEvents$'
expect_log "the popup got WM_CLOSE" ' wm_close ad hwnd=0x[0-9a-f]+ count=1 wparam=0 lparam=0$'
expect_log "the closed popup was destroyed" ' destroyed ad$'
expect_log "the marked window's opener put" ' put-opener tall kind=string value="" hr=0x00000000$'
expect_log "the failing closed read" ' read-failed member=closed of=opener-of-tall$'
expect_no_log "no other window got WM_CLOSE" ' wm_close (pre|home|tall|folder|nodoc|plain2|broken) '
expect_log "unadvised" ' unadvise sink=1$'
expect_log "clean exit" ' exit code=0$'
log PASS
