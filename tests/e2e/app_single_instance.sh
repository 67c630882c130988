#!/bin/bash
# A second Shutterling.exe ends at once without subscribing; the first keeps
# running and blocking.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin app_single_instance

start_with_home

start=$(date +%s)
rc=0
(cd "$W/app" && timeout 60 wine "$W/app/Shutterling.exe" >"$W/second.out" 2>&1) || rc=$?
elapsed=$(($(date +%s) - start))
[ "$rc" -ne 124 ] || die "the second instance did not end"
log "second instance ended with $rc after ${elapsed}s"
[ "$elapsed" -le 15 ] || die "the second instance took ${elapsed}s to end"
expect_eq "one main window" "$(probe instances)" 1
kill -0 "$APP_PID" || die "the first instance is gone"
sim_sync
expect_no_log "the second instance did not subscribe" ' advise sink=2 '

sim_do 'open ad title="Still blocked" opener=home menubar=no size=300x250'
sim_wait 30 ' wm_close ad '
expect_eq "blocked list" "$(probe list lstPopups)" "Still blocked"
app_stop
sim_quit
log PASS
