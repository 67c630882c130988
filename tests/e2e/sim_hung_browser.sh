#!/bin/bash
# Browsers served from threads of their own: one whose thread stops answering
# at a chosen read, for a while or for good, and busy ones that turn calls
# away. While a window's thread is blocked the collection still answers and
# hands that window out; the simulator still quits, and the read it hangs in
# stays unanswered. What a client sees of a busy window under Wine 8 depends on
# who turns the call away (see README).
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin sim_hung_browser

sim_start <<'STORY'
open home title="Home" size=800x600
open slow title="Slow" hang=locationname:2
open bm title="Busy" busy=60
open bf title="Busy filter" busy=60:filter
open br title="Busy reject" busy=60:reject
open stuck title="Stuck" hang=document:forever
wait-client
STORY

# The first client, once every window is open, walks them all and ends up
# waiting on stuck for good.
sim_wait 60 ' waiting for=client$'
(cd "$W" && exec timeout 120 wine "$E2E_CLIENT" --filter --timeout 60000 >"$W/client.out" 2>&1) &
client=$!
sim_wait 60 ' hang stuck read=Document for=forever$'

# Meanwhile a second client gets every window from the collection, stuck included.
(cd "$W" && timeout 60 wine "$E2E_CLIENT" --list) | tr -d '\r' >"$W/list.out" ||
    die "the lister failed: $(cat "$W/list.out")"
expect_eq "windows handed out while one is hung" "$(grep '^listed' "$W/list.out")" "listed 6"

has() { tr -d '\r' <"$W/client.out" | grep -qF -- "$1" || die "client output lacks: $1"; log "ok: $1"; }
has 'window 1 title="Slow" menubar=yes'
expect_log "the slow read answered after its wait" ' answer slow read=LocationName after=2\.[0-9]+$'
# window|what the client saw|what the simulator logged
busy_cases=(
    'bm|window 2 title=fail:0x8001010a menubar=fail:0x8001010a fullscreen=fail:0x8001010a width=fail:0x8001010a height=fail:0x8001010a hwnd=fail document=fail:0x8001010a| rejected bm member=LocationName$'
    'bf|window 3 title="Busy filter" menubar=yes| rejected bf member=LocationName$'
    'br|window 4 not-a-browser hr=0x80004002 title=fail:0x80010001| rejected br member=GetIDsOfNames$'
)
for row in "${busy_cases[@]}"; do
    IFS='|' read -r name seen logged <<<"$row"
    has "$seen"
    expect_log "$name: the call was turned away" "$logged"
done
tr -d '\r' <"$W/client.out" | grep -q '^retry-rejected' && die "COM asked the client whether to retry"
log "ok: the client's RetryRejectedCall was never asked"

sim_quit
expect_log "quit cleanly with a window still hung" ' exit code=0$'
expect_no_log "stuck never answered" ' answer stuck '
# An answer at the end would set the client going again while the simulator
# ends; its read fails only once the simulator has gone.
wait "$client" || true
tr -d '\r' <"$W/client.out" | grep -qE '^window 5 title="Stuck" .* document=fail:' ||
    die "the client's read of stuck did not fail with the simulator: $(grep 'window 5' "$W/client.out")"
log "ok: the client's read of stuck failed once the simulator had gone"
log PASS
