#!/bin/bash
# A page stops answering for good once its window is asked whether it is
# closed. It has opened a popup with a menu bar and the size of a plain
# window, which only that question can judge; two popups then come from a
# page that answers. Every popup is closed and listed, each within 5 s of its
# event plus what a popup waits anyway, and the count stored at Exit is 3:
# one for each close request.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_hung_opener

# What a popup waits anyway, in a run of its own: the count starts at 0 below.
start_with_home
usual=$(usual_latency usual1 usual2)
limit=$(seconds_plus 5 "$usual")
log "a popup waits ${usual}s while every browser answers"
app_stop
sim_quit
wine reg delete 'HKCU\Software\Shutterling' /f >/dev/null 2>&1

store_run_begin "$W/app"
sim_do 'open slow title="Slow page" size=800x600 hang=closed:forever'
sim_fired slow
sim_do 'open ad1 title="Ad 1" opener=slow menubar=yes size=800x600 thread=own'
expect_log_within "ad1 closed" "$limit" " fire ad1 cookie=" " wm_close ad1 "
expect_log "the slow page was asked" ' hang slow read=closed for=forever$'
for n in 2 3; do
    popup "ad$n" "Ad $n" thread=own
    expect_log_within "ad$n closed" "$limit" " fire ad$n cookie=" " wm_close ad$n "
done
expect_no_log "no page was closed" ' wm_close (home|slow) '
expect_eq "blocked list" "$(probe list lstPopups | tr '\n' '|')" "Ad 1|Ad 2|Ad 3|"
store_run_end
expect_reg "the count stored at Exit" "$STORE_OPTIONS_KEY" PopupCounter '"3"'
expect_stored_count_is_closes
log PASS
