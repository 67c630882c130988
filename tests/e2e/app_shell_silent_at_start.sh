#!/bin/bash
# The shell does not answer the subscription for 6 s when the program starts,
# then answers. The program gives that subscription up, ends it once it comes
# back, and subscribes again by itself: a popup opened 12 s after its start is
# closed, and the count stored at Exit is 1, its close request.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_shell_silent_at_start

# The popup opens 6 s after the subscription is taken, 12 s after it was asked.
sim_start <<'STORY'
open home title="Home" size=800x600
shell hang=advise:6
wait-client
sleep 6000
mark popup
open pop title="Pop" opener=home menubar=no size=300x250 thread=own
STORY
store_app_start "$W/app"
probe wait-window 60000 >/dev/null || die "no main window"
sim_wait 60 ' hang shell read=advise for=6\.000$'
sim_wait 60 ' answer shell read=advise after=6\.[0-9]+$'
sim_wait 60 ' mark popup$'
expect_log_within "the popup closed" 10 ' open pop ' ' wm_close pop '
expect_log "a new subscription was taken" ' advise sink=2 '
expect_log "the one given up was ended" ' unadvise sink=1$'
store_run_end
expect_reg "the count stored at Exit" "$STORE_OPTIONS_KEY" PopupCounter '"1"'
expect_stored_count_is_closes
log PASS
