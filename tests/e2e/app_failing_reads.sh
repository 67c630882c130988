#!/bin/bash
# Reads of a popup that fail through COM (the simulator answers E_FAIL) lead
# to the outcomes the judgment defines for each: an unreadable FullScreen or
# MenuBar blocks, an unreadable Width leaves it to the opener probe, an
# unreadable opener counts as script-opened, a popup whose title or HWND
# cannot be read for its block is neither closed nor listed nor counted (and
# judged again at each later event), and a refused mark leaves the window
# unmarked and open.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin app_failing_reads

start_with_home

step() { # step NAME 'SETTINGS': opens a popup of home and waits for its judgment
    sim_do "open $1 opener=home $2"
    sim_fired "$1"
    sim_sync
}

step fullscreen 'title="Full screen unreadable" fullscreen=yes menubar=no fail=fullscreen'
expect_log "an unreadable FullScreen counts as not full-screen" ' wm_close fullscreen '

step menubar 'title="Menu bar unreadable" menubar=yes size=800x600 fail=menubar'
expect_log "an unreadable MenuBar blocks" ' wm_close menubar '

step width 'title="Width unreadable" menubar=yes size=800x600 fail=width'
expect_log "with no size answer, the readable opener lets it through" ' put-opener width '
expect_no_log "and it stays open" ' wm_close width '

step opener 'title="Opener unreadable" menubar=no fail=opener'
expect_log "an unreadable opener counts as script-opened" ' wm_close opener '

step untitled 'title="Hidden title" menubar=no fail=locationname'
expect_no_log "without a title to list, no close request" ' wm_close untitled '

step refused 'title="Mark refused" fullscreen=yes fail=putopener'
expect_log "the mark was tried and refused" ' put-opener refused kind=string value="" hr=0x80070005$'
expect_no_log "a refused mark does not close it" ' wm_close refused '

step handle 'title="No handle" menubar=no fail=hwnd'
expect_no_log "without a window handle there is no close request" ' wm_close handle '

expect_eq "blocked list" "$(probe list lstPopups | paste -sd'|')" \
    "Full screen unreadable|Menu bar unreadable|Opener unreadable"
expect_eq "counter" "$(probe text lblCounter)" "3 Popups blocked till now"

app_stop
sim_quit
log PASS
