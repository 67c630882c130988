#!/bin/bash
# An opener page stops answering for good, every object of it (its page runs
# apart from its browser, page=own, and hangs at its document's class name),
# while its browser answers. Two answering pages come before it, so the
# judgment's walk is the first to meet the hang. Its popup has a menu bar and
# the size of a plain window, so only the opener probe judges it; two popups
# then come from a page that answers. All three are closed and listed, the
# hung page is neither closed nor listed nor counted, and the count stored at
# Exit is 3: one for each close request.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_unanswering_opener

store_run_begin "$W/app"
sim_do 'open page2 title="Second page" size=800x600'
sim_fired page2
sim_do 'open slow title="Slow page" size=800x600 page=own'
sim_fired slow
sim_do 'set slow hang=classname:forever'
sim_do 'open ad1 title="Ad 1" opener=slow menubar=yes size=800x600 thread=own'
sim_wait 60 ' wm_close ad1 '
expect_log "the slow page was asked" ' hang slow read=[A-Za-z]+ for=forever$'
for n in 2 3; do
    popup "ad$n" "Ad $n" thread=own
    sim_wait 60 " wm_close ad$n "
done
sim_sync
expect_no_log "no page was closed" ' (wm_close|quit) (home|page2|slow) '
expect_eq "blocked list" "$(probe list lstPopups | paste -sd'|')" "Ad 1|Ad 2|Ad 3"
store_run_end
expect_reg "the count stored at Exit" "$STORE_OPTIONS_KEY" PopupCounter '"3"'
expect_stored_count_is_closes
log PASS
