#!/bin/bash
# With exactly one HTML window open nothing is judged, even a script-opened
# popup without a menu bar; once a second HTML window opens, it is.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin app_single_html

sim_start <<'STORY'
open folder doc=other title="Documents"
open blank doc=none title="Blank"
wait-client
STORY
app_start
app_ready
sim_sync

sim_do 'open pop title="Lonely popup" opener=object menubar=no size=300x250'
sim_fired pop
sim_sync
expect_no_log "the only HTML window was not closed" ' wm_close '
expect_no_log "nor marked" ' put-opener '

sim_do 'open page title="A page" size=800x600'
sim_fired page
sim_sync
expect_log "with two HTML windows the popup is judged and closed" ' wm_close pop '
expect_no_log "the user's page is left alone" ' (wm_close|put-opener) page '
expect_eq "blocked list" "$(probe list lstPopups)" "Lonely popup"
app_stop
sim_quit
log PASS
