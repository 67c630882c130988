#!/bin/bash
# The simulator keeps working when its client disappears without unadvising:
# the next event finds the sink dead, drops it, and a new client is served.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin sim_client_gone

sim_start <<'STORY'
open home title="Home" size=800x600
wait-client
STORY

(cd "$W" && timeout 60 wine "$E2E_CLIENT" --vanish) | tr -d '\r' >"$W/client1.out"
grep -qx vanish "$W/client1.out" || die "first client did not run: $(cat "$W/client1.out")"
expect_no_log "the vanished client did not unadvise" ' unadvise '

sim_do 'open pop title="Pop" opener=home menubar=no size=300x200'
sim_wait 60 ' (sink-dead sink=1|fired pop cookie=2 sink=1 hr=0x[0-9a-f]+)$'
sim_sync
expect_log "the event to the dead client failed" ' fired pop cookie=2 sink=1 hr=0x8'
expect_log "the dead sink was dropped" ' sink-dead sink=1$'

(cd "$W" && timeout 60 wine "$E2E_CLIENT" --events 1 --act --timeout 30000) | tr -d '\r' >"$W/client2.out" &
CLIENT=$!
sim_wait 60 ' advise sink=2 '
sim_do 'sleep 500' 'open pop2 title="Pop 2" opener=home menubar=no size=300x200'
wait "$CLIENT" || die "second client failed: $(cat "$W/client2.out")"
sim_sync
expect_log "the new client got the event" ' fired pop2 cookie=3 sink=2 hr=0x00000000$'
expect_log "and closed the popup" ' wm_close pop2 '
expect_no_log "only one sink was called for pop2" ' fire pop2 cookie=3 sink=1'
sim_quit
expect_log "clean exit" ' exit code=0$'
log PASS
