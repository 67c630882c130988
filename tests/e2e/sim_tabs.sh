#!/bin/bash
# Tabs: each tab of a frame is a browser of its own in the collection, and
# reports the frame's handle, menu bar and size. Quit closes its tab alone, or
# the frame with its last tab; WM_CLOSE to the frame closes every tab in it.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin sim_tabs

sim_start <<'STORY'
open home title="Home" menubar=no size=900x700
open mail title="Mail" tab=home
open ad title="Ad" tab=home opener=home
open solo title="Solo" size=640x480 fail=quit
wait-client
STORY
sim_wait 60 ' waiting for=client$'
frame=$(grep -oE ' open home hwnd=0x[0-9a-f]+' "$W/sim.log" | cut -d= -f2)
solo=$(grep -oE ' open solo hwnd=0x[0-9a-f]+' "$W/sim.log" | cut -d= -f2)
[ -n "$frame" ] && [ -n "$solo" ] && [ "$frame" != "$solo" ] || die "no frames logged"
expect_log "a tab opens in its host's frame" " open mail hwnd=$frame cookie=2 restored=900x700 title=\"Mail\" frame=home$"

# client [OPTIONS]: one run of sim-client, its output in client.out.
client() {
    (cd "$W" && timeout 60 wine "$E2E_CLIENT" "$@") | tr -d '\r' >"$W/client.out" ||
        die "sim-client $* failed: $(tail -3 "$W/client.out")"
}
has() { grep -qE -- "$1" "$W/client.out" || die "client output lacks /$1/"; log "ok: $1"; }
lacks() { grep -qE -- "$1" "$W/client.out" && die "client output has /$1/"; log "ok: no $1"; }
tab_line() { # tab_line TITLE TABS: a tab with the frame's menu bar, size, rectangle and handle
    printf 'title="%s" menubar=no fullscreen=no width=900 height=700 restored=900x700 .* hwnd=%s tab-windows=%s$' \
        "$1" "$frame" "$2"
}

client
has '^walk start count=4$'
for title in Home Mail Ad; do has "$(tab_line "$title" 3)"; done
has 'title="Ad" .* opener=object closed=false '
has "title=\"Solo\" menubar=yes fullscreen=no width=640 height=480 restored=640x480 .* hwnd=$solo tab-windows=1$"

# Quit on one tab closes that tab alone; the frame and its other tabs stay.
client --quit Ad
has '^quit "Ad" hr=0x00000000$'
sim_wait 30 ' destroyed ad$'
expect_log "Quit logged with the tabs left" " quit ad hwnd=$frame tabs-left=2$"
client
has '^walk start count=3$'
for title in Home Mail; do has "$(tab_line "$title" 2)"; done
lacks 'title="Ad"'
sim_do list
sim_sync
for name in home mail; do expect_log "$name listed in its frame" " window $name cookie=[0-9]+ hwnd=$frame frame=home$"; done
expect_no_log "ad gone from the collection" ' window ad '

# A single window's Quit closes its frame; fail=quit turns it away first.
# Quit goes by the vtable, then by its dispatch id.
client --quit Solo
has '^quit "Solo" hr=0x80004005$'
expect_log "the failed Quit logged" ' read-failed member=Quit of=solo$'
expect_no_log "and solo stays" ' destroyed solo$'
sim_do 'set solo fail='
client --quit-by-id Solo
has '^quit-by-id "Solo" hr=0x00000000$'
sim_wait 30 ' destroyed solo$'
expect_log "Quit on the last tab" " quit solo hwnd=$solo tabs-left=0$"

# WM_CLOSE to the frame takes every tab left in it.
client --close Mail
has '^close "Mail" hr=0x00000000$'
sim_wait 30 ' destroyed mail$'
expect_log "one WM_CLOSE named the frame and its tabs" " wm_close home hwnd=$frame count=1 wparam=0 lparam=0 tabs=home,mail$"
expect_log "home closed with it" ' destroyed home$'
client
has '^walk start count=0$'
sim_quit
expect_log "clean exit" ' exit code=0$'
log PASS
