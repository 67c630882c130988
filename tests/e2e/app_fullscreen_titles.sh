#!/bin/bash
# A full-screen popup stays open; blocked popups are listed by title, a blank
# title as "<No Title>" and a padded title untrimmed.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin app_fullscreen_titles

start_with_home

sim_do 'open full title="Slide show" opener=home menubar=no fullscreen=yes size=1280x1024'
sim_fired full
sim_sync
expect_log "the full-screen popup was marked" ' put-opener full kind=string value="" '
expect_no_log "and not closed" ' wm_close full '

for popup in 'empty title=""' 'spaces title="   "' 'padded title="  Deal  "'; do
    name=${popup%% *}
    sim_do "open $name opener=home menubar=no size=300x250 ${popup#* }"
    sim_fired "$name"
done
sim_sync
for name in empty spaces padded; do expect_log "$name closed" " wm_close $name "; done
expect_eq "blocked list" "$(probe list lstPopups | paste -sd'|')" "<No Title>|<No Title>|  Deal  "
expect_eq "counter" "$(probe text lblCounter)" "3 Popups blocked till now"
app_stop
sim_quit
log PASS
