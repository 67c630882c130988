# Helpers of the tests with a browser that stops answering or turns calls
# away (app_hung_*.sh, app_busy_*.sh). Source after lib.sh. Times come from
# the simulator's log stamps (milliseconds since it started); a limit is
# waited for no longer than itself, then checked against those stamps.

# sim_ms REGEX: the log stamp of the first line matching.
sim_ms() { grep -E -m1 -- "$1" "$W/sim.log" | cut -d' ' -f1; }

# seconds_between FROM-REGEX TO-REGEX: seconds from the first FROM line to the
# first TO line.
seconds_between() {
    awk -v a="$(sim_ms "$1")" -v b="$(sim_ms "$2")" 'BEGIN { printf "%.3f", (b - a) / 1000 }'
}

# popup_latency NAME: seconds from raising NAME's WindowRegistered to its WM_CLOSE.
popup_latency() { seconds_between " fire $1 cookie=" " wm_close $1 "; }

# seconds_plus A B: A + B, to the millisecond.
seconds_plus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a + b }'; }

# elapsed_over SINCE LIMIT: true once more than LIMIT seconds have passed since
# SINCE (date +%s.%N).
elapsed_over() { awk -v n="$(date +%s.%N)" -v s="$1" -v l="$2" 'BEGIN { exit !(n - s > l) }'; }

# expect_log_within WHAT LIMIT FROM-REGEX TO-REGEX: a TO line follows the first
# FROM line within LIMIT seconds.
expect_log_within() {
    local what=$1 limit=$2 from=$3 to=$4 seen took
    sim_wait 60 "$from"
    seen=$(date +%s.%N)
    until sim_has "$to"; do
        elapsed_over "$seen" "$limit" && die "$what: nothing within ${limit}s (no /$to/)"
        sleep 0.05
    done
    took=$(seconds_between "$from" "$to")
    awk -v t="$took" -v l="$limit" 'BEGIN { exit !(t <= l) }' ||
        die "$what: took ${took}s, more than ${limit}s"
    log "ok: $what: ${took}s (limit ${limit}s)"
}

# app_gone_within LIMIT SINCE WHAT: Shutterling.exe ends within LIMIT seconds
# of SINCE (date +%s.%N).
app_gone_within() {
    local limit=$1 since=$2 what=$3
    while kill -0 "$APP_PID" 2>/dev/null; do
        elapsed_over "$since" "$limit" && die "Shutterling.exe still ran ${limit}s $what"
        sleep 0.05
    done
    log "ok: Shutterling.exe ended $(awk -v n="$(date +%s.%N)" -v s="$since" \
        'BEGIN { printf "%.2f", n - s }')s $what (limit ${limit}s)"
}

# popup NAME TITLE [SETTINGS...]: a script-opened window that the judgment blocks.
popup() {
    local name=$1 title=$2
    shift 2
    sim_do "open $name title=\"$title\" opener=home menubar=no size=300x250 $*"
}

# usual_latency NAME...: the longest time from event to WM_CLOSE of popups
# opened one by one while every browser answers: what a popup waits anyway.
# Each is served from a thread of its own, so its WM_CLOSE is logged the
# moment the program posts it, not once the program's handler has returned;
# time popups the same way.
usual_latency() {
    local name worst=0
    for name in "$@"; do
        popup "$name" "Usual $name" thread=own
        sim_wait 60 " wm_close $name "
        worst=$(awk -v a="$worst" -v b="$(popup_latency "$name")" 'BEGIN { print (b > a) ? b : a }')
    done
    printf '%s' "$worst"
}

# closes_logged: the close requests the simulator logged, in every log of the
# test (the first simulator's too, after a restart): each WM_CLOSE a frame got
# and each Quit of a tab. Quit lines are the browser's method, not the step's.
closes_logged() {
    cat "$W/sim1.log" "$W/sim.log" 2>/dev/null |
        grep -cE ' (wm_close [^ ]+ hwnd=|quit [^ ]+ hwnd=0x[0-9a-f]+ tabs-left=)' || true
}

# expect_count_is_closes WHAT COUNT [BASE]: a count of the program's, less
# BASE (what it held before the test), is one for each close request: nothing
# counted that was not asked to close, nothing closed that was not counted.
expect_count_is_closes() {
    local closes
    closes=$(closes_logged)
    expect_eq "$1 (less ${3:-0}) = the closes logged" "$(($2 - ${3:-0}))" "$closes"
}

# expect_stored_count_is_closes [BASE]: the same of the count stored at Exit;
# after store_run_end (store_lib.sh).
expect_stored_count_is_closes() {
    local raw
    raw=$(reg_raw "$STORE_OPTIONS_KEY" PopupCounter) || die "no count stored at Exit"
    expect_count_is_closes "the count stored at Exit" "${raw//\"/}" "${1:-0}"
}

# expect_shown_count_is_closes [BASE]: the same of the count the window shows.
expect_shown_count_is_closes() {
    local text
    text=$(probe text lblCounter)
    expect_count_is_closes "the count shown" "${text%% *}" "${1:-0}"
}
