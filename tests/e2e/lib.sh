# Shell library of the Wine end-to-end tests and the demo. Source it from bash.
#
# Each test gets its own copy of a template Wine prefix, its own X server and
# therefore its own wineserver, so tests can run side by side. The simulated
# browser shell (browser-sim.exe) is started first with a scenario file that
# the test keeps appending steps to; Shutterling.exe then finds it through the
# prefix's TreatAs entry for ShellWindows, and probe.exe reads the program.
#
# Inputs (environment): E2E_SIM, E2E_PROBE, E2E_CLIENT, E2E_APP (exe paths),
# E2E_ROOT (folder for the template prefix and the test runs). E2E_TRACE=1 logs
# every property read in the simulator; E2E_KEEP_PREFIX=1 keeps the prefix.

: "${E2E_ROOT:?E2E_ROOT must name a work folder}"
: "${E2E_SIM:?E2E_SIM must name browser-sim.exe}"
: "${E2E_PROBE:=}"
: "${E2E_CLIENT:=}"
: "${E2E_APP:=}"

# E2E_ARCH=win64 runs the 64-bit build in a 64-bit prefix: on kernels that
# cannot run 32-bit binaries Wine cannot start a 32-bit Windows program at all.
: "${E2E_ARCH:=win32}"
export WINEARCH=$E2E_ARCH WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ "$E2E_ARCH" = win64 ]; then
    # Debian's wine wrapper takes the 32-bit loader whenever it is installed.
    E2E_SHIMS="$E2E_ROOT/wine64-shims"
    mkdir -p "$E2E_SHIMS"
    # Shared by the tests that run side by side: each shim is put in place
    # whole (a rename), never rewritten under a test that is starting it.
    e2e_shim() {
        [ "$(cat "$E2E_SHIMS/$1" 2>/dev/null)" = "$2" ] && [ -x "$E2E_SHIMS/$1" ] && return
        printf '%s\n' "$2" >"$E2E_SHIMS/$1.$$"
        chmod +x "$E2E_SHIMS/$1.$$"
        mv -f "$E2E_SHIMS/$1.$$" "$E2E_SHIMS/$1"
    }
    e2e_shim wine $'#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"'
    e2e_shim wineboot $'#!/bin/sh\nexec /usr/lib/wine/wine64 wineboot "$@"'
    export PATH="$E2E_SHIMS:$PATH" WINELOADER=/usr/lib/wine/wine64
fi
# E2E_WINVER=winxp (a version name of winecfg -v) makes the prefixes report
# that Windows; each version has a template of its own.
: "${E2E_WINVER:=}"
E2E_TEMPLATE="$E2E_ROOT/prefix-template${E2E_WINVER:+-$E2E_WINVER}"
E2E_SIM_CLSID='{6C1D3A52-9B0E-4F7A-8E31-2D5B7C9A4E10}'
E2E_SHELLWINDOWS_CLSID='{9BA05972-F6A8-11CF-A442-00A0C90A8F39}'

log() { printf '%s [%s] %s\n' "$(date +%T.%N | cut -c1-12)" "${E2E_NAME:-e2e}" "$*" >&2; }
die() {
    log "FAIL: $*"
    exit 1
}

# A Windows path for a Unix one, without starting Wine.
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | sed 's|/|\\|g')"; }

# Builds the template prefix once per build tree: a prefix of E2E_ARCH, unmanaged
# windows (without a window manager, Wine takes 2 s to destroy a captioned
# window otherwise), no crash dialog, ShellWindows treated as our simulator,
# and Wine's own fonts.
e2e_template() {
    local stamp="$E2E_TEMPLATE/.browser-sim" want written
    # Wine updates a prefix in place, shared files too, once its wine.inf is
    # newer than the prefix: a template made before is made again instead.
    want="$(winpath "$E2E_SIM") fonts wine.inf=$(stat -c %Y /usr/share/wine/wine.inf 2>/dev/null)"
    mkdir -p "$E2E_ROOT"
    (
        flock 9
        if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
            # A file the copies share that was written since is a fault of
            # whatever wrote it, and every later copy would get it.
            written=$(find "$E2E_TEMPLATE" -type f -regextype posix-extended \
                -iregex "$E2E_SHARED_FILES" -newer "$stamp" -print -quit)
            [ -z "$written" ] && exit 0
            log "a file shared with the prefix copies was written: $written"
        fi
        log "making the template prefix $E2E_TEMPLATE"
        rm -rf "$E2E_TEMPLATE"
        WINEPREFIX="$E2E_TEMPLATE" wineboot -i >/dev/null 2>&1 || true
        local sim_reg
        sim_reg="$(printf '%s' "$want" | sed 's|\\|\\\\|g')"
        cat >"$E2E_ROOT/template.reg" <<EOF
REGEDIT4

[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$E2E_SHELLWINDOWS_CLSID\\TreatAs]
@="$E2E_SIM_CLSID"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$E2E_SIM_CLSID]
@="Shutterling browser simulator"

[HKEY_LOCAL_MACHINE\\Software\\Classes\\CLSID\\$E2E_SIM_CLSID\\LocalServer32]
@="$sim_reg"

[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]
"Managed"="N"

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000
EOF
        [ -z "$E2E_WINVER" ] || printf '\n[HKEY_CURRENT_USER\\Software\\Wine]\n"Version"="%s"\n' \
            "$E2E_WINVER" >>"$E2E_ROOT/template.reg"
        WINEPREFIX="$E2E_TEMPLATE" wine regedit /S "$(winpath "$E2E_ROOT/template.reg")"
        # Debian's wine has no fonts of its own and Wine 8 does not load them
        # from /usr/share/wine/fonts: without these, dialogs fall back to a
        # wider font and the caption buttons lose their glyphs.
        cp /usr/share/wine/fonts/*.ttf "$E2E_TEMPLATE/drive_c/windows/Fonts/" ||
            die "Wine's fonts (package fonts-wine) are missing"
        WINEPREFIX="$E2E_TEMPLATE" wineserver -w
        grep -q 'Managed"="N"' "$E2E_TEMPLATE/user.reg" || die "template registry not written"
        grep -qi "TreatAs" "$E2E_TEMPLATE/system.reg" || die "TreatAs not registered"
        [ -z "$E2E_WINVER" ] || grep -q "^\"Version\"=\"$E2E_WINVER\"" "$E2E_TEMPLATE/user.reg" ||
            die "Windows version $E2E_WINVER not set"
        [ -z "$E2E_WINVER" ] ||
            log "the prefix reports $(WINEPREFIX="$E2E_TEMPLATE" wine cmd /c ver | tr -d '\r' | grep .)"
        printf '%s' "$want" >"$stamp"
    ) 9>"$E2E_ROOT/template.lock"
}

# The files of a prefix that Wine only reads: its programs, libraries, code
# pages and fonts, nearly all of its 600 MB.
E2E_SHARED_FILES='.*\.(dll|exe|sys|drv|nls|ocx|acm|cpl|tlb|ds|ax|vxd|com|ttf|msstyles)'

# e2e_copy_prefix FROM TO: a copy whose read-only files are hard links to the
# template's and every other file a copy of its own: wineserver rewrites the
# registry files in place, and Wine the .ini files, so those are never shared.
e2e_copy_prefix() {
    cp -al "$1" "$2"
    find "$2" -type f -regextype posix-extended ! -iregex "$E2E_SHARED_FILES" -exec sh -c \
        'for f; do cp -p "$f" "$f.own" && mv -f "$f.own" "$f" || exit 1; done' sh {} +
}

# Starts a test: a fresh prefix copy and an X server of its own.
#   e2e_begin NAME
e2e_begin() {
    E2E_NAME="$1"
    W="$E2E_ROOT/run/$E2E_NAME"
    rm -rf "$W"
    mkdir -p "$W"
    e2e_template
    e2e_copy_prefix "$E2E_TEMPLATE" "$W/prefix"
    export WINEPREFIX="$W/prefix"
    SIM_PID="" APP_PID="" XVFB_PID=""
    trap e2e_cleanup EXIT
    trap 'exit 130' INT TERM
    # A command that fails under set -e ends the test without a word of die's:
    # name it, or a rerun hides what went wrong.
    set -E
    trap 'E2E_FAILED_AT="${BASH_SOURCE[0]##*/}:$LINENO: $BASH_COMMAND"' ERR
    if [ -z "${E2E_USE_DISPLAY:-}" ]; then
        : >"$W/display"
        Xvfb -displayfd 8 -screen 0 1280x1024x24 -nolisten tcp 8>"$W/display" \
            >"$W/xvfb.log" 2>&1 &
        XVFB_PID=$!
        wait_for 20 "the X server" grep -q '[0-9]' "$W/display"
        export DISPLAY=":$(tr -d '\n' <"$W/display")"
    fi
    # Wine starts its own processes (services, the device drivers' host) with
    # the first program of a prefix, and they write to that program's output.
    # Started here, they write to a file of their own: a program's output then
    # holds its own messages alone, and a fault of Wine's is told apart.
    wine cmd /c exit >"$W/wine-system.log" 2>&1 || true
    log "prefix $WINEPREFIX, display $DISPLAY"
}

# Wine's report of a crash in any program of the test, whatever the test's
# own verdict: a crash of a tool whose test still passed must not go unseen.
# e2e.no_crashes fails while this file is not empty. A fault in Wine's own
# processes, which run no code of ours, is listed apart and shown by it.
E2E_CRASHES="$E2E_ROOT/crashes.log"
E2E_WINE_FAULTS="$E2E_ROOT/wine-faults.log"
e2e_note_crashes() {
    local out
    for out in "$W"/*.out; do e2e_note_faults "$out" "$E2E_CRASHES"; done
    e2e_note_faults "$W/wine-system.log" "$E2E_WINE_FAULTS"
}
# e2e_note_faults OUTPUT LIST: Wine's crash report in OUTPUT, if any, onto LIST.
e2e_note_faults() {
    [ -f "$1" ] && grep -qiE 'unhandled|page fault|backtrace' "$1" || return 0
    {
        printf '%s %s (%s):\n' "$(date +%T)" "$E2E_NAME" "$(basename "$1")"
        grep -iE -m 5 'unhandled|page fault|backtrace' "$1" | sed 's/^/    /'
    } >>"$2"
}

e2e_cleanup() {
    local rc=$?
    set +e
    [ "$rc" -ne 0 ] && [ -n "${E2E_FAILED_AT:-}" ] && log "FAIL: exit $rc at $E2E_FAILED_AT"
    # Whatever a test is about, the program never sends WM_CLOSE to a frame
    # that holds a tab besides the popup: that closes the user's pages too.
    local simlog
    for simlog in "$W/sim1.log" "$W/sim.log"; do
        if [ "$rc" -eq 0 ] && [[ $E2E_NAME == app_* ]] && [ -f "$simlog" ] &&
            grep -qE ' wm_close .* tabs=[^ ]*,' "$simlog"; then
            log "FAIL: WM_CLOSE reached a frame of several tabs: $(grep -E ' wm_close .* tabs=[^ ]*,' "$simlog" | head -1)"
            rc=1
        fi
    done
    e2e_note_crashes
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
    [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null
    [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ] && wineserver -k 2>/dev/null
    [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    if [ "$rc" -ne 0 ] && [ -f "$W/sim1.log" ]; then
        log "first simulator's log:"
        sed 's/^/    /' "$W/sim1.log" >&2
    fi
    if [ "$rc" -ne 0 ] && [ -f "$W/sim.log" ]; then
        log "simulator log:"
        sed 's/^/    /' "$W/sim.log" >&2
    fi
    # The prefix is large; the logs stay for a look after a failure.
    [ -n "${E2E_KEEP_PREFIX:-}" ] || rm -rf "$W/prefix"
    exit "$rc"
}

# wait_for SECONDS WHAT COMMAND...: polls until COMMAND succeeds.
wait_for() {
    local limit=$1 what=$2
    shift 2
    waits "$limit" "$@" || die "timed out after ${limit}s waiting for $what"
}

# waits LIMIT COMMAND...: as wait_for, but false at the limit, for a test
# that has something to do then.
waits() {
    local limit=$1 start
    shift
    start=$(date +%s)
    until "$@" >/dev/null 2>&1; do
        [ $(($(date +%s) - start)) -ge "$limit" ] && return 1
        sleep 0.1
    done
}

# The simulator: sim_start, sim_do, sim_wait, sim_sync, sim_die, sim_restart...
source "$(dirname "${BASH_SOURCE[0]}")/simulator_lib.sh"

# --- the program under test ----------------------------------------------------

# Runs its own copy of Shutterling.exe, which keeps its data file beside itself.
app_start() {
    [ -n "$E2E_APP" ] && [ -f "$E2E_APP" ] || die "Shutterling.exe not built"
    mkdir -p "$W/app"
    cp "$E2E_APP" "$W/app/Shutterling.exe"
    (cd "$W/app" && exec timeout "${APP_TIMEOUT:-240}" wine "$W/app/Shutterling.exe" \
        >"$W/app.out" 2>&1) &
    APP_PID=$!
}

# Waits until the program's main window exists, joined to the shell or not.
app_window() { probe wait-window 60000 >/dev/null || die "no main window"; }

# Waits until the program runs: its main window exists and it has subscribed.
app_ready() {
    app_window
    sim_wait 60 ' advise sink='
}

# probe's answer to a question equals the expected text: for wait_for.
answers() {
    local expected=$1
    shift
    [ "$(probe "$@")" = "$expected" ]
}
not_answers() { ! answers "$@"; }

# Ends the program the way a task manager does and checks that it ends cleanly.
app_stop() {
    probe close >/dev/null || die "cannot post WM_CLOSE"
    app_wait_exit 60
}

app_wait_exit() {
    local limit=${1:-60} rc=0
    wait_for "$limit" "Shutterling.exe to exit" sh -c "! kill -0 $APP_PID"
    wait "$APP_PID" || rc=$?
    APP_PID=""
    [ "$rc" -eq 0 ] || die "Shutterling.exe exited with $rc ($(tail -c 400 "$W/app.out"))"
    grep -qiE 'unhandled|page fault|backtrace' "$W/app.out" && die "Shutterling.exe crashed"
    return 0
}

# probe ARGS...: runs probe.exe; its output has Windows line ends removed.
probe() { wine "$E2E_PROBE" "$@" 2>>"$W/probe.err" | tr -d '\r'; return "${PIPESTATUS[0]}"; }

# hold_ctrl MS [X Y]: holds Ctrl down, as a user would, until the test lets
# it go (ctrl_release) or MS milliseconds have passed, and prints "ctrl down"
# once it is. Without a window manager the X keyboard focus follows the
# pointer, so the key is pressed with the pointer over a window of the prefix
# (X Y, by default inside the first simulated window); Wine then sees a real
# key press and keeps its key state in step with the X server's.
hold_ctrl() {
    rm -f "$W/ctrl.release"
    xdotool mousemove "${2:-200}" "${3:-200}" keydown ctrl
    sleep 0.3
    echo "ctrl down"
    waits "$((($1 + 999) / 1000))" test -e "$W/ctrl.release" || true
    xdotool keyup ctrl
    echo "ctrl up"
}
ctrl_release() { : >"$W/ctrl.release"; }

# expect_eq WHAT ACTUAL EXPECTED
expect_eq() {
    [ "$2" = "$3" ] || die "$1: expected [$3], got [$2]"
    log "ok: $1 = [$2]"
}
expect_log() { sim_has "$2" || die "$1: no log line /$2/"; log "ok: $1"; }
expect_no_log() { sim_has "$2" && die "$1: unexpected log line /$2/ ($(grep -E -- "$2" "$W/sim.log" | head -1))"; log "ok: $1"; }

# The usual opening: one plain page open, the program started and subscribed,
# and the page marked as judged by its start-up.
start_with_home() {
    sim_start <<'STORY'
open home title="Home" size=800x600
wait-client
STORY
    app_start
    app_ready
    sim_wait 30 ' put-opener home '
}

# The same with the user's two tabs, News and Mail, in a frame of their own
# whose menu bar is hidden (as a script-opened tab's is by default).
start_with_tabs() {
    sim_start <<'STORY'
open home title="Home" size=800x600
open news title="News" menubar=no size=1000x700
open mail title="Mail" tab=news
wait-client
STORY
    app_start
    app_ready
    sim_wait 30 ' put-opener mail '
}
