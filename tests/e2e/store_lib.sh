# Helpers of the persistence tests (app_store_*.sh). Source after lib.sh.
#
# Each run of the program is one store_run_begin ... store_run_end pair: a
# fresh simulator, the program started from a folder of the test's choosing
# (the data file lives beside the exe, in "ini"), and at the end an outside
# WM_CLOSE, then every process of the prefix ended, so that wineserver has
# written the registry to user.reg, where its values can be read exactly.

STORE_RUN_KEY='Software\Microsoft\Windows\CurrentVersion\Run'
STORE_OPTIONS_KEY='Software\Shutterling\Options'

# store_app_start DIR: copies Shutterling.exe into DIR (which may hold
# blanks) and starts that copy from there. lib.sh's app_start always uses
# $W/app, so it cannot place the exe in a folder of a chosen name.
store_app_start() {
    local dir=$1
    if [ -z "$E2E_APP" ] || [ ! -f "$E2E_APP" ]; then die "Shutterling.exe not built"; fi
    mkdir -p "$dir"
    [ -f "$dir/Shutterling.exe" ] || cp "$E2E_APP" "$dir/Shutterling.exe"
    (cd "$dir" && exec timeout "${APP_TIMEOUT:-240}" wine "$dir/Shutterling.exe" \
        >"$W/app.out" 2>&1) &
    APP_PID=$!
}

# store_run_begin DIR [SIMULATOR STEPS...]: simulator with one open page, the
# program from DIR, and a wait until start-up has read everything (the
# subscription comes after the options and the safe list are loaded).
store_run_begin() {
    local dir=$1
    shift
    local story
    # Not a pipe: sim_start must run in this shell to keep SIM_PID.
    story=$(printf '%s\n' 'open home title="Home" menubar=yes size=800x600' "$@" 'wait-client')
    sim_start <<<"$story"
    store_app_start "$dir"
    app_ready
    sim_wait 30 ' put-opener home '
}

# store_run_using DIR: the program started from DIR blocks a popup, whose
# title then goes onto the safe list, and start with Windows is ticked:
# everything a user sets up, for a test of what outlives the program.
store_run_using() {
    store_run_begin "$1"
    sim_do 'open ad title="Buy now" opener=home menubar=no size=300x250'
    sim_wait 30 ' wm_close ad '
    expect_eq "counter" "$(probe text lblCounter)" "1 Popups blocked till now"
    probe dblclick lstPopups 0
    wait_for 10 "the title on the safe list" answers 1 count lstSafe
    probe click chkWindowStartup
    wait_for 10 "the start-up box ticked" answers 1 check chkWindowStartup
}

# store_run_end: outside WM_CLOSE (full shut-down, exit code 0), then every
# process of the prefix ends so user.reg holds the registry as it is now.
store_run_end() {
    app_stop
    sim_quit
    store_settle
}

# Ends whatever still runs in the prefix and waits for wineserver to save.
store_settle() {
    wineserver -k 2>/dev/null || true
    wineserver -w
}

# store_kill_app: ends the program without any close request, as a crash would.
store_kill_app() {
    local pid
    # APP_PID is timeout(1); its child is the Windows process itself.
    pid=$(ps -o pid= --ppid "$APP_PID" | tr -d ' ' | head -1)
    [ -n "$pid" ] || die "no Shutterling.exe process under $APP_PID"
    grep -q 'Shutterling.exe' "/proc/$pid/cmdline" || die "process $pid is not Shutterling.exe"
    kill -KILL "$pid"
    local rc=0
    wait "$APP_PID" || rc=$?
    APP_PID=""
    probe wait-gone 20000 || die "the main window outlived the kill"
    log "killed Shutterling.exe (pid $pid; timeout ended with $rc)"
}

# --- registry ------------------------------------------------------------------

# store_reg_import: imports REGEDIT4 lines read from standard input (header
# added) into the test's prefix: any type, any string, one Wine process.
store_reg_import() {
    { printf 'REGEDIT4\r\n\r\n'; sed 's/$/\r/'; } >"$W/import.reg"
    wine regedit /S "$(winpath "$W/import.reg")"
}

# reg_raw KEY NAME: the value as wineserver saved it in user.reg (key relative
# to HKEY_CURRENT_USER), e.g. "0" for the REG_SZ 0 with one NUL, dword:00000007,
# hex(1):... for a string that does not end in exactly one NUL. Fails when the
# value is absent. Call after store_settle.
reg_raw() {
    local key name
    key=$(printf '%s' "$1" | sed 's/\\/\\\\/g')
    name=$(printf '%s' "$2" | sed 's/\\/\\\\/g; s/"/\\"/g')
    # Through the environment: awk -v would undo the doubled backslashes.
    KEY="[$key]" NAME="\"$name\"=" awk '
        BEGIN { key = ENVIRON["KEY"]; name = ENVIRON["NAME"] }
        index($0, "[") == 1 { inside = (substr($0, 1, length(key)) == key && \
                                        substr($0, length(key) + 1, 1) == " ") ; next }
        inside && index($0, name) == 1 { print substr($0, length(name) + 1); found = 1; exit }
        END { exit !found }' "$WINEPREFIX/user.reg"
}

# reg_sz TEXT: how user.reg writes a REG_SZ holding TEXT and one NUL.
reg_sz() { printf '"%s"' "$(printf '%s' "$1" | sed 's/\\/\\\\/g; s/"/\\"/g')"; }

# expect_reg WHAT KEY NAME EXPECTED-RAW
expect_reg() {
    local got
    got=$(reg_raw "$2" "$3") || die "$1: value $2\\$3 is absent"
    expect_eq "$1" "$got" "$4"
}

expect_no_reg() {
    reg_raw "$2" "$3" >/dev/null && die "$1: value $2\\$3 exists: $(reg_raw "$2" "$3")"
    log "ok: $1"
}

# --- files ----------------------------------------------------------------------

# expect_bytes WHAT FILE EXPECTED-FILE: byte-for-byte, with a dump on failure.
expect_bytes() {
    [ -f "$2" ] || die "$1: $2 does not exist"
    if ! cmp -s "$2" "$3"; then
        log "$1: got $(stat -c %s "$2") bytes, expected $(stat -c %s "$3")"
        cmp "$2" "$3" >&2 || true
        { od -An -c "$2" | head -8; } >&2 || true
        die "$1: bytes differ"
    fi
    log "ok: $1 ($(stat -c %s "$2") bytes)"
}

# expect_no_temp DIR: no file of the program's is left half-written anywhere.
expect_no_temp() {
    local left
    left=$(find "$1" -name '*.tmp' -print | head -5)
    [ -z "$left" ] || die "temporary files left: $left"
    log "ok: no temporary file under $1"
}

# store_attrib FILE: the file's attribute letters as Windows reports them.
store_attrib() {
    wine attrib "$(winpath "$1")" | tr -d '\r' | sed 's/Z:.*//' | tr -d ' '
}
