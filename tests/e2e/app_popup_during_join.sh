#!/bin/bash
# Popups that register while the program joins the shell's collection are
# judged; the windows open before a join are only marked:
#  - at start-up, a popup registers inside the subscription, its event
#    reaching a sink whose Advise has not returned yet;
#  - a new taskbar while the shell runs on: a popup inside the new
#    subscription, and the old one ends only after it;
#  - a new taskbar whose subscription the shell does not answer in time: the
#    subscription held goes on, and a popup that comes before the retry is
#    closed at once.
# Each is closed once, the popup open before the start never, no page is
# judged, and the count stored at Exit is the closes.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_popup_during_join

sim_start <<'STORY'
open home title="Home" size=800x600
open old title="Open before the start" opener=home menubar=no size=300x250
open pop1 title="Inside the first join" opener=home menubar=no size=300x250 fire=inside:advise
wait-client
STORY
store_app_start "$W/app"
app_window
sim_wait 60 ' advise sink=1 '
sim_wait 30 ' wm_close pop1 '
sim_wait 30 ' put-opener old '

sim_do 'open pop2 title="Inside the second join" opener=home menubar=no size=300x250 fire=inside:advise' \
    taskbar-created
sim_wait 30 ' advise sink=2 '
sim_wait 30 ' wm_close pop2 '
sim_wait 30 ' unadvise sink=1$'
expect_eq "the second join's subscription came before the first one ended" \
    "$(grep -nE ' (advise sink=2|unadvise sink=1)' "$W/sim.log" | cut -d' ' -f2 | tr '\n' ' ')" \
    "advise unadvise "

# The shell answers this subscription after 5 s: the program has given it up
# after 4.5 s and tries again 1 s later. The popup comes as the shell
# answers, before that retry: the subscription held closes it.
sim_do 'shell hang=advise:5' taskbar-created 'sleep 1000' \
    'open pop3 title="Before the retry" opener=home menubar=no size=300x250'
sim_wait 60 ' answer shell read=advise after=5\.[0-9]+$'
expect_log_within "pop3 closed through the subscription held" 1 ' fire pop3 cookie=' ' wm_close pop3 '
sim_wait 60 ' advise sink=4 '
sim_wait 30 ' unadvise sink=2$'
popup pop4 "After the retry"
sim_wait 30 ' wm_close pop4 '
sim_sync

for w in pop1 pop2 pop3 pop4; do
    expect_eq "$w asked to close once" "$(sim_count " wm_close $w ")" 1
done
expect_no_log "the popup open before the start is never closed" ' wm_close old '
expect_no_log "no page is judged" ' wm_close home '
expect_eq "blocked list" "$(probe count lstPopups)" 4
store_run_end
expect_stored_count_is_closes
log PASS
