#!/bin/bash
# First start of a fresh copy for a fresh user: "ini" is made beside the exe at
# start-up, and the exit leaves an empty data file, the options as "0", the
# run's count, and no start-with-Windows value.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
e2e_begin app_store_first_start

app="$W/first"
expect_no_reg "a fresh user has no settings" "$STORE_OPTIONS_KEY" PopupCounter
store_run_begin "$app"
[ -d "$app/ini" ] || die "no folder ini beside the exe after start-up"
expect_eq "ini is empty while running" "$(ls -A "$app/ini")" ""
expect_eq "beep unchecked" "$(probe check chkBeep)" 0
expect_eq "start with Windows unchecked" "$(probe check chkWindowStartup)" 0
expect_eq "counter" "$(probe text lblCounter)" "0 Popups blocked till now"
expect_eq "empty safe list" "$(probe count lstSafe)" 0

sim_do 'open ad title="Buy now" opener=home menubar=no size=300x250'
sim_wait 30 ' wm_close ad '
sim_sync
expect_eq "counter after one block" "$(probe text lblCounter)" "1 Popups blocked till now"
store_run_end

expect_eq "beside the exe" "$(ls -A "$app" | paste -sd' ')" "Shutterling.exe ini"
expect_eq "in ini" "$(ls -A "$app/ini")" "Shutterling.Dat"
expect_bytes "empty data file" "$app/ini/Shutterling.Dat" /dev/null
expect_no_temp "$app"
expect_reg "Beep" "$STORE_OPTIONS_KEY" Beep '"0"'
expect_reg "WindowStartUp" "$STORE_OPTIONS_KEY" WindowStartUp '"0"'
expect_reg "PopupCounter" "$STORE_OPTIONS_KEY" PopupCounter '"1"'
expect_no_reg "no start-with-Windows value" "$STORE_RUN_KEY" Shutterling
log PASS
