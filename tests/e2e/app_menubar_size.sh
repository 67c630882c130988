#!/bin/bash
# Popups with a menu bar: one whose Width/Height equal the restored size of a
# plain window stays open (and is marked) while its opener can be read; the
# same with opener.parent.closed failing is closed; odd or swapped sizes are
# closed. The plain window's properties differ from its restored rectangle,
# so only the restored rectangle can make the match.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin app_menubar_size

sim_start <<'STORY'
open home title="Home" menubar=yes size=1024x768 restored=800x600
wait-client
STORY
app_start
app_ready
sim_wait 30 ' put-opener home '

step() { # step NAME 'SETTINGS': opens a popup of home and waits for its judgment
    sim_do "open $1 opener=home menubar=yes $2"
    sim_fired "$1"
    sim_sync
}

step same 'title="Same size" size=800x600'
expect_log "the popup of a plain window's restored size was marked" ' put-opener same kind=string value="" '
expect_no_log "and stays open" ' wm_close same '

step gone 'title="Opener gone" size=800x600 fail=closed'
expect_log "its opener probe failed" ' read-failed member=closed of=opener-of-gone$'
expect_log "so the same size does not save it" ' wm_close gone '

step props 'title="Properties only" size=1024x768'
expect_log "a size that only the plain window's properties have is blocked" ' wm_close props '

step swapped 'title="Swapped" size=600x800'
expect_log "width and height are not swapped" ' wm_close swapped '

step closedtrue 'title="Closed true" size=800x600 closed=true'
expect_no_log "a readable closed of true does not block" ' wm_close closedtrue '

expect_eq "blocked list" "$(probe list lstPopups | paste -sd'|')" "Opener gone|Properties only|Swapped"
expect_eq "counter" "$(probe text lblCounter)" "3 Popups blocked till now"
app_stop
sim_quit
log PASS
