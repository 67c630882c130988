# Helpers of the tray tests (app_tray_*.sh). Source after lib.sh.
#
# The icon is a child window of Wine's stand-alone tray window; xdotool moves
# and clicks the real X pointer on it, so the program gets the mouse messages
# from Wine's tray exactly as from a user. Keys for an open menu go through
# probe (posted to the program's thread): under Xvfb without a window manager
# X key events do not reach a Wine menu.

# tray_at: sets TRAY_X TRAY_Y to the middle of the icon.
tray_at() {
    local x y w h
    wait_for 30 "the tray icon" probe tray-icon
    read -r x y w h <<<"$(probe tray-icon)"
    TRAY_X=$((x + w / 2)) TRAY_Y=$((y + h / 2))
}

# tray_menu: right-click on the icon and wait for the program's menu.
tray_menu() {
    tray_at
    xdotool mousemove "$TRAY_X" "$TRAY_Y" click 3
    wait_for 10 "the tray menu" not_answers none menu
}

# tray_click_exit: clicks Exit, the last item of the open tray menu (the
# bottom of the menu, clear of its border), and sets EXIT_AT to the moment
# of the click.
tray_click_exit() {
    local mx my mw mh
    read -r mx my mw mh <<<"$(probe menu)"
    xdotool mousemove $((mx + mw / 2)) $((my + mh - 8)) sleep 0.3
    EXIT_AT=$(date +%s.%N)
    xdotool click 1
}

tray_no_menu() { wait_for 10 "the tray menu to close" answers none menu; }

# tray_choose KEY...: the menu opened and the keys pressed in it.
tray_choose() {
    tray_menu
    probe key "$@"
}

# tray_exited: after Exit the process ends, its icon goes, and the options
# it wrote can be read.
tray_exited() {
    app_wait_exit 60
    probe tray-icon >/dev/null 2>&1 && die "the tray icon outlived the program"
    log "ok: tray icon removed"
    sim_quit
    store_settle
}

tray_dblclick() {
    tray_at
    xdotool mousemove "$TRAY_X" "$TRAY_Y" click --repeat 2 --delay 60 1
}

# tray_tip_is TEXT: the tooltip Wine's tray shows on hovering the icon reads TEXT.
tray_tip_is() {
    tray_at
    local tries
    for tries in 1 2 3 4 5; do
        # Off and back on: the tooltip shows (and re-reads its text) on a new hover.
        xdotool mousemove 640 900 sleep 0.2 mousemove "$TRAY_X" "$TRAY_Y" \
            mousemove_relative 1 1 sleep 1.2
        [ "$(probe tray-tip)" = "$1" ] && break
    done
    expect_eq "tray tooltip" "$(probe tray-tip)" "$1"
}

# tray_pixels: a hash of the icon's pixels on the screen, pointer away.
tray_pixels() {
    local x y w h
    read -r x y w h <<<"$(probe tray-icon)"
    xdotool mousemove 640 900 sleep 0.5
    import -window root -crop "${w}x${h}+${x}+${y}" rgb:- | md5sum | cut -d' ' -f1
}

