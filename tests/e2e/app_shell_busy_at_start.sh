#!/bin/bash
# The shell turns every call away as busy for 8 s as the program starts, as
# Explorer does while the log-on keeps it at work, then answers. The program
# is joined soon after: a popup that opens 2 s after the shell has begun to
# answer is closed, the popup open before the start is marked, never closed,
# and the count stored at Exit is the closes.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_shell_busy_at_start

sim_start <<'STORY'
shell busy=8
open home title="Home" size=800x600
open old title="Open before the start" opener=home menubar=no size=300x250
sleep 8000
mark answering
sleep 2000
open pop title="Two seconds later" opener=home menubar=no size=300x250
STORY
store_app_start "$W/app"
app_window
sim_wait 60 ' rejected shell member='
sim_wait 60 ' mark answering$'
sim_wait 30 ' advise sink=1 '
sim_wait 30 ' put-opener old '
sim_wait 30 ' wm_close pop '
sim_sync
log "joined $(seconds_between ' mark answering$' ' advise sink=1 ')s after the shell began to answer"
expect_no_log "the popup open before the start is never closed" ' wm_close old '
expect_no_log "no page is judged" ' wm_close home '
expect_eq "blocked list" "$(probe count lstPopups)" 1
store_run_end
expect_stored_count_is_closes
log PASS
