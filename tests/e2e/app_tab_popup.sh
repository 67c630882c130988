#!/bin/bash
# A script in one of the user's tabs opens a third tab in the same frame (its
# menu bar hidden, as by default): the tab is judged a popup and closed alone,
# by Quit on its own browser; the user's two tabs and their frame stay. A
# popup in a window of its own beside them still gets WM_CLOSE. One popup,
# one block: the count is 2, one for each close request (a Quit and a
# WM_CLOSE), and both titles are listed.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/hang_lib.sh"
e2e_begin app_tab_popup

start_with_tabs
frame=$(grep -oE ' open news hwnd=0x[0-9a-f]+' "$W/sim.log" | cut -d= -f2)

sim_do 'open tabad title="Tab ad" tab=news opener=news'
sim_wait 30 ' destroyed tabad$'
expect_log "the tab was asked to quit, the user's tabs left" " quit tabad hwnd=$frame tabs-left=2$"

sim_do 'open winad title="Window ad" opener=home menubar=no size=300x250'
sim_wait 30 ' wm_close winad '
sim_do list
sim_sync
expect_log "the window of its own got WM_CLOSE" " wm_close winad hwnd=0x[0-9a-f]+ count=1 wparam=0 lparam=0$"
expect_no_log "the frame of the user's tabs got no WM_CLOSE" ' wm_close news '
expect_no_log "neither of the user's tabs closed" ' destroyed (news|mail)$'
expect_log "News still open in its frame" " window news cookie=[0-9]+ hwnd=$frame frame=news$"
expect_log "Mail still open in its frame" " window mail cookie=[0-9]+ hwnd=$frame frame=news$"
expect_eq "counter" "$(probe text lblCounter)" "2 Popups blocked till now"
expect_shown_count_is_closes
expect_eq "blocked list" "$(probe list lstPopups | tr '\n' '|')" "Tab ad|Window ad|"
app_stop
sim_quit
log PASS
