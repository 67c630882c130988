#!/bin/bash
# The shell ends and another starts, as when Explorer crashes and comes back:
# the first simulator dies, a second one starts with a plain page open and
# broadcasts TaskbarCreated. The program subscribes to the new shell, marks
# the page open then, and closes a popup opened after, as it closed one
# before. One tray icon stays; the count stored at Exit is 2, one for each
# close request of either shell.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_shell_restart

start_with_home
popup ad1 "Ad 1"
sim_wait 60 ' wm_close ad1 '
wait_for 30 "the tray icon" answers 1 tray-icons

sim_die
sim_restart <<'STORY'
open again title="Again" size=800x600
taskbar-created
STORY
sim_wait 30 ' taskbar-created message=0x[0-9a-f]+ sent=yes$'
sim_wait 60 ' advise sink=1 '
sim_wait 30 ' put-opener again kind=string value="" '
sim_do 'open ad2 title="Ad 2" opener=again menubar=no size=300x250'
sim_wait 60 ' wm_close ad2 '
sim_sync
expect_no_log "the new shell's page left open" ' (wm_close|quit) again '
grep -qE ' (wm_close|quit) home ' "$W/sim1.log" && die "the first shell's page was closed"
expect_eq "tray icons after the restart" "$(probe tray-icons)" 1
expect_eq "blocked list" "$(probe list lstPopups | paste -sd'|')" "Ad 1|Ad 2"
store_run_end
expect_reg "the count stored at Exit" "$STORE_OPTIONS_KEY" PopupCounter '"2"'
expect_stored_count_is_closes
log PASS
