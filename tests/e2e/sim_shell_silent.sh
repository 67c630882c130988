#!/bin/bash
# The shell does not answer a subscription for a while (shell
# hang=advise:SECONDS): its thread blocks inside Advise, taking no call
# meanwhile, not even another client's activation, then accepts the sink as
# usual and raises its events to it.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin sim_shell_silent

sim_start <<'STORY'
open home title="Home" size=800x600
shell hang=advise:3
wait-client
STORY
(cd "$W" && exec timeout 60 wine "$E2E_CLIENT" --events 1 --timeout 30000 >"$W/client.out" 2>&1) &
client=$!
sim_wait 60 ' hang shell read=advise for=3\.000$'
# Activated while the shell's thread is blocked: served only once it answers.
(cd "$W" && timeout 60 wine "$E2E_CLIENT" --list) | tr -d '\r' >"$W/list.out" ||
    die "the lister failed: $(cat "$W/list.out")"
expect_eq "the second client was served" "$(grep '^listed' "$W/list.out")" "listed 1"
expect_log "the shell answered after its wait" ' answer shell read=advise after=3\.[0-9]+$'
lines() { grep -nE -- "$1" "$W/sim.log" | cut -d: -f1 | sed -n "${2:-1}p"; }
answered=$(lines ' answer shell read=advise ')
[ "$(lines ' advise sink=1 via=')" -gt "$answered" ] || die "the sink was taken before the answer"
[ "$(lines ' activate iid=' 2)" -gt "$answered" ] || die "an activation was served during the hang"
log "ok: the subscription, then the second activation, came after the answer"

sim_do 'open pop title="Pop" opener=home menubar=no size=300x250'
sim_fired pop
wait "$client" || die "the client failed: $(cat "$W/client.out")"
grep -q '^event WindowRegistered cookie=2 ' "$W/client.out" || die "no event: $(cat "$W/client.out")"
expect_log "the client unadvised as usual" ' unadvise sink=1$'
sim_quit
log PASS
