#!/bin/bash
# A popup's opener is its opener page's window object, answered by the
# opener's own thread: when that thread stops answering at the object's closed
# (or Parent), reading opener.Parent.closed waits on it alone. The popup's own
# reads and the other windows go on answering, whichever thread serves them.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin sim_hung_opener

sim_start <<'STORY'
open home title="Home" size=800x600
open late title="Late" hang=parent:1
open lp title="Late popup" opener=late menubar=no size=300x250
open slow title="Slow" hang=closed:forever
open ad title="Ad" opener=slow menubar=no size=300x250
open ad2 title="Ad two" opener=slow menubar=no size=300x250 thread=own
wait-client
STORY
sim_wait 60 ' waiting for=client$'

# Each window read before and after two reads of opener.Parent.closed that
# slow never answers; ad is served by the shell's thread, ad2 by its own.
(cd "$W" && timeout 60 wine "$E2E_CLIENT" --reads Ad --reads "Ad two" --reads Home \
    --closed-of "Late popup" 10000 --closed-of Ad 1000 --closed-of "Ad two" 1000 \
    --reads Ad --reads "Ad two" --reads Home) | tr -d '\r' >"$W/client.out" ||
    die "sim-client failed: $(tail -3 "$W/client.out")"
has() { grep -qxE -- "$1" "$W/client.out" || die "client output lacks /$1/"; log "ok: $1"; }

has 'closed-of "Late popup" closed=false'
expect_log "late's thread stopped at Parent" ' hang late read=Parent for=1\.000$'
expect_log "and answered it" ' answer late read=Parent after=1\.[0-9]+$'
has 'closed-of "Ad" timeout ms=1000'
has 'closed-of "Ad two" timeout ms=1000'
expect_log "slow's own thread is the one that stopped" ' hang slow read=closed for=forever$'
# title|what the client read, the same before and after the hang
reads=(
    'Ad|title="Ad" menubar=no hwnd=0x[0-9a-f]{8} opener=object'
    'Ad two|title="Ad two" menubar=no hwnd=0x[0-9a-f]{8} opener=object'
    'Home|title="Home" menubar=yes hwnd=0x[0-9a-f]{8} opener=empty'
)
for row in "${reads[@]}"; do
    IFS='|' read -r title seen <<<"$row"
    lines=$(grep -F "reads \"$title\" " "$W/client.out" | sort -u)
    [ "$(grep -c . <<<"$lines")" -eq 1 ] && [ "$(grep -c "^reads \"$title\" " "$W/client.out")" -eq 2 ] ||
        die "$title: not read the same twice: $lines"
    has "reads \"$title\" $seen"
done

sim_quit
expect_log "quit cleanly with slow still hung" ' exit code=0$'
expect_no_log "slow never answered" ' answer slow '
log PASS
