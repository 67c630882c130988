#!/bin/bash
# The shell ends and another starts: after the first simulator dies, a second
# one registers the class object again and a new client's ShellWindows
# reaches it. Its taskbar-created step broadcasts "TaskbarCreated", which a
# hidden top-level window of another process gets.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin sim_shell_restart

client() {
    local out=$1
    shift
    (cd "$W" && timeout 60 wine "$E2E_CLIENT" "$@") | tr -d '\r' >"$W/$out" ||
        die "sim-client failed: $(tail -3 "$W/$out")"
}
has() { tr -d '\r' <"$W/$1" | grep -qxE -- "$2" || die "$1 lacks /$2/: $(cat "$W/$1")"; log "ok: $2"; }

sim_start <<'STORY'
open home title="Home" size=800x600
STORY
client first.out --reads Home
has first.out 'reads "Home" title="Home" menubar=yes hwnd=0x[0-9a-f]{8} opener=empty'

sim_die
sim_restart <<'STORY'
open again title="Again" size=800x600
STORY
expect_eq "the first log kept, ending in its death" "$(tail -1 "$W/sim1.log" | cut -d' ' -f2)" die
client second.out --reads Again --reads Home
has second.out 'reads "Again" title="Again" menubar=yes hwnd=0x[0-9a-f]{8} opener=empty'
has second.out 'reads "Home" not-found'
expect_log "the second simulator was activated" ' activate iid='

(cd "$W" && exec timeout 60 wine "$E2E_CLIENT" --taskbar 30000 >"$W/taskbar.out" 2>&1) &
listener=$!
wait_for 30 "the client's top-level window" grep -q '^taskbar-window hwnd=' "$W/taskbar.out"
sim_do taskbar-created
sim_wait 30 ' taskbar-created message=0x0000c[0-9a-f]{3} sent=yes$'
wait "$listener" || die "the broadcast did not reach the client: $(cat "$W/taskbar.out")"
message=$(grep -oE 'message=0x[0-9a-f]+' "$W/sim.log")
has taskbar.out "taskbar-created $message"
sim_quit
log PASS
