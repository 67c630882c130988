#!/bin/bash
# Ten of the user's pages are open and one page's script opens 40 popups in a
# loop: each registers while the page's browser, busy in the loop, handles no
# close request until the loop ends, so every popup is still in the shell's
# collection at every later event of the storm. One popup is one block: each
# gets one WM_CLOSE, the list has 40 entries and the count is 40; no page is
# touched. A popup 1 s after the storm is blocked as usual, and Exit from the
# tray menu ends the program and stores the count of the close requests.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/hang_lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/tray_lib.sh"
e2e_begin app_popup_storm

story='open home title="Home" size=800x600'
for i in 2 3 4 5 6 7 8 9 10; do
    story+=$'\n'"open page$i title=\"Page $i\" size=$((600 + i * 20))x$((400 + i * 10))"
done
sim_start <<<"$story"$'\nwait-client'
app_start
app_ready
sim_wait 30 ' put-opener page10 '

sim_do 'storm ad opener=home menubar=no size=300x250 count=40'
for i in $(seq 40); do sim_wait 60 " wm_close ad$i "; done
sim_sync
sim_do 'sleep 1000' 'open late title="Late" opener=page2 menubar=no size=320x240'
sim_wait 30 ' wm_close late '
sim_sync

for i in $(seq 40); do
    [ "$(sim_count " wm_close ad$i ")" -eq 1 ] || die "ad$i: not exactly one WM_CLOSE"
done
log "ok: every popup of the storm got exactly one WM_CLOSE"
expect_no_log "no page was closed" ' wm_close (home|page[0-9]+) '
expect_no_log "no page was marked after start-up" ' put-opener (ad[0-9]+|late) '
listed=$(probe list lstPopups)
expect_eq "one list entry a popup" "$(grep -c . <<<"$listed")" 41
expect_eq "each popup listed once" "$(sort -u <<<"$listed" | grep -c .)" 41
expect_eq "counter" "$(probe text lblCounter)" "41 Popups blocked till now"
expect_shown_count_is_closes

tray_menu
tray_click_exit
tray_exited
expect_stored_count_is_closes
log PASS
