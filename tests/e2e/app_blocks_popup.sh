#!/bin/bash
# A page opens a popup without a menu bar: the popup gets WM_CLOSE, its opener
# does not; the popup is listed and counted. Start-up marked the open page and
# the exit releases the subscription.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin app_blocks_popup

sim_start <<'STORY'
open home title="My page" menubar=yes size=800x600
wait-client
STORY
app_start
app_ready
sim_wait 30 ' put-opener home kind=string value="" '
expect_eq "hidden after its first paint" "$(probe visible)" no

sim_do 'open ad title="Buy now" opener=home menubar=no size=300x250'
sim_wait 30 ' wm_close ad '
sim_fired ad
sim_sync
expect_log "the popup was closed by a plain WM_CLOSE" ' wm_close ad hwnd=0x[0-9a-f]+ count=1 wparam=0 lparam=0$'
expect_no_log "the opener was not closed" ' wm_close home '
expect_no_log "the popup was not marked" ' put-opener ad '
expect_eq "blocked list" "$(probe list lstPopups)" "Buy now"
expect_eq "counter" "$(probe text lblCounter)" "1 Popups blocked till now"

app_stop
expect_log "the subscription was released at exit" ' unadvise sink=1$'
sim_quit
log PASS
