# The simulated browser shell of the Wine end-to-end tests: started, given
# steps, waited on, ended and started again. Sourced by lib.sh.

# sim_start [OPTIONS...] < SCENARIO: starts browser-sim with the scenario read
# from standard input; steps appended later with sim_do are followed.
sim_start() {
    cat >"$W/scenario.txt"
    : >"$W/sim.log"
    (cd "$W" && exec timeout 300 wine "$E2E_SIM" --log "$(winpath "$W/sim.log")" --follow \
        --timeout 280 ${E2E_TRACE:+--trace} "$@" "$(winpath "$W/scenario.txt")" >"$W/sim.out" 2>&1) &
    SIM_PID=$!
    sim_wait 60 ' registered$'
}

# sim_do STEP...: appends steps to the running scenario, one per argument.
sim_do() { printf '%s\n' "$@" >>"$W/scenario.txt"; }

# sim_wait SECONDS REGEX: waits until a log line matches (grep -E).
sim_wait() {
    local limit=$1 pattern=$2
    # A scenario error ends the simulator: stop waiting at once.
    wait_for "$limit" "simulator log /$pattern/" sim_has "$pattern|^[0-9.]+ error "
    sim_has '^[0-9.]+ error ' && die "the simulator reported an error"
    return 0
}
sim_has() { grep -qE -- "$1" "$W/sim.log"; }
sim_count() { grep -cE -- "$1" "$W/sim.log" || true; }

# Sync point: the simulator logs the mark once every earlier step has run and
# the messages those steps caused (closes posted to its windows) are handled.
sim_sync() {
    E2E_MARKS=$((${E2E_MARKS:-0} + 1))
    sim_do "sleep ${1:-300}" "mark sync-$E2E_MARKS"
    sim_wait 60 " mark sync-$E2E_MARKS\$"
}

# The event for WINDOW has been answered: the client's handler has returned.
sim_fired() { sim_wait "${2:-60}" " fired $1 cookie=[0-9]+ sink=[0-9]+ hr=0x00000000\$"; }

# sim_die: the simulator ends at once, like a crashed shell.
sim_die() {
    sim_do die
    wait_for 30 "the simulator to die" sh -c "! kill -0 $SIM_PID"
    wait "$SIM_PID" || true
    SIM_PID=""
}

# sim_restart [OPTIONS...] < SCENARIO: once the simulator has ended, a second
# one starts, as a shell does after the first one died, and registers its
# class object again. The first one's log, scenario and output stay as
# sim1.log, scenario1.txt and sim1.out; sim_* helpers read the new one.
sim_restart() {
    [ -z "$SIM_PID" ] || die "sim_restart: the first simulator still runs"
    [ ! -f "$W/sim1.log" ] || die "sim_restart: one restart a test"
    local f
    for f in sim.log scenario.txt sim.out; do mv "$W/$f" "$W/${f/./1.}"; done
    sim_start "$@"
}

sim_quit() {
    sim_do quit
    wait_for 30 "the simulator to quit" sh -c "! kill -0 $SIM_PID"
    wait "$SIM_PID" || die "the simulator exited with $?"
    SIM_PID=""
}

