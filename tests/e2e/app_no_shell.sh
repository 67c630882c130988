#!/bin/bash
# No shell collection to be had: first the collection's server cannot be
# started at all, then only Wine's own stub collection (no events) is there.
# Either way Shutterling starts, blocks nothing and exits cleanly.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin app_no_shell

key="HKLM\\Software\\Classes\\CLSID\\$E2E_SIM_CLSID\\LocalServer32"
wine reg add "$key" /ve /d 'C:\absent\browser-sim.exe' /f >/dev/null 2>&1
wineserver -w
: >"$W/sim.log"

run_once() {
    app_start
    app_window
    sleep 3
    kill -0 "$APP_PID" || die "Shutterling.exe ended on its own"
    expect_eq "$1: counter" "$(probe text lblCounter)" "0 Popups blocked till now"
    expect_eq "$1: nothing listed" "$(probe count lstPopups)" 0
    app_stop
}

run_once "server cannot start"

wine reg delete "HKLM\\Software\\Classes\\CLSID\\$E2E_SHELLWINDOWS_CLSID\\TreatAs" /f >/dev/null 2>&1
wineserver -w
run_once "Wine's stub collection"
log PASS
