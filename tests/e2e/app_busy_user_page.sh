#!/bin/bash
# The user's own page stops answering from its script window on (its page
# runs apart from its browser, page=own; its opener read hangs for good),
# while its browser, the shell and the other pages answer. Two popups then
# come from another page: both are closed and listed, and the busy page is
# neither closed, listed nor counted. The count stored at Exit is 2, one for
# each close request.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_busy_user_page

sim_start <<'STORY'
open home title="Home" size=800x600 page=own
open news title="News" size=800x600
wait-client
STORY
store_app_start "$W/app"
app_ready
sim_wait 30 ' put-opener home '
sim_wait 30 ' put-opener news '

sim_do 'set home hang=opener:forever'
for n in 1 2; do
    sim_do "open ad$n title=\"Ad $n\" opener=news menubar=no size=300x250 thread=own"
    sim_wait 60 " wm_close ad$n "
done
expect_log "the user's page was asked and hung" ' hang home read=opener for=forever$'
sim_sync
expect_no_log "no user page was closed" ' (wm_close|quit) (home|news) '
expect_eq "blocked list" "$(probe list lstPopups | paste -sd'|')" "Ad 1|Ad 2"
store_run_end
expect_reg "the count stored at Exit" "$STORE_OPTIONS_KEY" PopupCounter '"2"'
expect_stored_count_is_closes
log PASS
