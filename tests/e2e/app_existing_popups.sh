#!/bin/bash
# Popups already open when Shutterling starts are marked at start-up and never
# judged, not even at a later event.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin app_existing_popups

sim_start <<'STORY'
open home title="Home" size=800x600
open ad1 title="Ad one" opener=home menubar=no size=300x250
open ad2 title="Ad two" opener=object menubar=no size=468x60
open folder doc=other title="Documents"
wait-client
STORY
app_start
app_ready
for w in home ad1 ad2; do sim_wait 30 " put-opener $w kind=string value=\"\" "; done
sim_sync
expect_no_log "the folder window is not an HTML window and is not marked" ' put-opener folder '

sim_do 'open page2 title="Second page" size=800x600'
sim_fired page2
sim_sync
expect_no_log "no window was closed" ' wm_close '
expect_eq "blocked list" "$(probe count lstPopups)" 0
expect_eq "counter" "$(probe text lblCounter)" "0 Popups blocked till now"
app_stop
sim_quit
log PASS
