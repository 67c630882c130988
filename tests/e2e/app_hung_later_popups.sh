#!/bin/bash
# One browser stops answering for good (its Document read never returns) and
# another turns every call away as busy for 30 s; three more popups then open
# from pages that answer. Each gets its WM_CLOSE within 5 s of its event, plus
# what a popup waits anyway (measured here on popups opened before the hang),
# no page is closed, and the count is the closes.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_hung_later_popups

start_with_home
sim_do 'open stuck title="Stuck" size=800x600 thread=own'
sim_fired stuck
sim_do 'open jammed title="Jammed" size=640x480 thread=own'
sim_fired jammed
usual=$(usual_latency usual1 usual2)
limit=$(seconds_plus 5 "$usual")
log "a popup waits ${usual}s while every browser answers"

sim_do 'set stuck hang=document:forever' 'set jammed busy=30'
for n in 1 2 3; do
    popup "pop$n" "Pop $n" thread=own
    expect_log_within "pop$n closed" "$limit" " fire pop$n cookie=" " wm_close pop$n "
done
expect_log "the stuck browser was asked" ' hang stuck read=Document for=forever$'
expect_log "the busy browser turned calls away" ' rejected jammed member='
expect_no_log "no page was closed" ' wm_close (home|stuck|jammed) '
sim_sync
expect_shown_count_is_closes
log PASS
