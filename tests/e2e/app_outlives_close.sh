#!/bin/bash
# Popups that outlive their close request, and blocks that cannot finish:
# - a page that asks "leave this page?" when it is closed, and the user stays:
#   it is asked to close, listed and counted once, however many popups come
#   after it;
# - a popup whose browser stops answering at its handle while it is blocked:
#   nothing happens for it in that pass, and a later event blocks it once;
# - a popup tab whose Quit fails: not counted, not listed.
# The count always equals the close requests the browsers got.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_outlives_close

start_with_tabs

popup stays "Leave?" onclose=ignore
sim_wait 30 ' wm_close stays '
for i in 1 2 3; do
    popup "next$i" "Next $i"
    sim_wait 30 " wm_close next$i "
done
sim_sync
expect_eq "the page that stayed was asked to close once" "$(sim_count ' wm_close stays ')" 1
expect_eq "listed once" "$(probe list lstPopups | tr '\n' '|')" "Leave?|Next 1|Next 2|Next 3|"
expect_eq "counted once" "$(probe text lblCounter)" "4 Popups blocked till now"

popup slow "Slow" hang=hwnd:6
sim_wait 30 ' hang slow read=HWND '
sim_fired slow
expect_eq "silent at its handle: not listed" "$(probe list lstPopups | grep -c .)" 4
expect_eq "not counted" "$(probe text lblCounter)" "4 Popups blocked till now"
expect_no_log "not closed" ' wm_close slow '
sim_wait 30 ' answer slow read=HWND '
popup next4 "Next 4"
sim_wait 30 ' wm_close next4 '
sim_wait 30 ' wm_close slow '
sim_sync
expect_eq "blocked once, at the later event" "$(probe list lstPopups | grep -c '^Slow$')" 1

sim_do 'open tabad title="Tab ad" tab=news opener=news fail=quit'
sim_wait 30 ' read-failed member=Quit of=tabad'
sim_fired tabad
popup next5 "Next 5"
sim_wait 30 ' wm_close next5 '
sim_sync
expect_no_log "the user's tabs were not closed" ' wm_close news '
listed=$(probe list lstPopups)
expect_eq "the tab that would not quit is not listed" "$(grep -c '^Tab ad$' <<<"$listed" || true)" 0
expect_eq "counter" "$(probe text lblCounter)" "7 Popups blocked till now"
expect_eq "one entry a count" "$(grep -c . <<<"$listed")" 7
expect_shown_count_is_closes
app_stop
sim_quit
log PASS
