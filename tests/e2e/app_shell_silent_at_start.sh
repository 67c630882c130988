#!/bin/bash
# The shell does not answer the subscription for 6 s when the program starts,
# then answers. The program gives that subscription up, ends it once it comes
# back, and subscribes again by itself: a popup opened once both have
# happened is closed, and the count stored at Exit is 1, its close request.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_shell_silent_at_start

sim_start <<'STORY'
open home title="Home" size=800x600
shell hang=advise:6
wait-client
STORY
store_app_start "$W/app"
app_window
sim_wait 60 ' hang shell read=advise for=6\.000$'
sim_wait 60 ' answer shell read=advise after=6\.[0-9]+$'
# A new subscription by the retry 2 s after the give-up, and the given-up
# one ended when it returned, in either order.
sim_wait 60 ' advise sink=2 '
sim_wait 60 ' unadvise sink=1$'
sim_do 'open pop title="Pop" opener=home menubar=no size=300x250 thread=own'
expect_log_within "the popup closed" 10 ' open pop ' ' wm_close pop '
store_run_end
expect_no_log "no join after the one that took" ' advise sink=3 '
expect_reg "the count stored at Exit" "$STORE_OPTIONS_KEY" PopupCounter '"1"'
expect_stored_count_is_closes
log PASS
