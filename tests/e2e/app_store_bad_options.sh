#!/bin/bash
# Stored texts that are no option value or no whole count, and values that are
# not strings at all, leave the check boxes unchecked and the count at 0, and
# are overwritten by REG_SZ "0" at exit; a non-zero text the check box refuses
# does not register start-with-Windows.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
e2e_begin app_store_bad_options

app="$W/app"
# One run per row: Beep, WindowStartUp, PopupCounter as REGEDIT4 data.
while read -r beep startup counter <&3; do
    store_reg_import <<REG
[HKEY_CURRENT_USER\\Software\\Shutterling\\Options]
"Beep"=$beep
"WindowStartUp"=$startup
"PopupCounter"=$counter
REG
    store_settle
    expect_reg "prepared Beep" "$STORE_OPTIONS_KEY" Beep "$beep"
    expect_reg "prepared WindowStartUp" "$STORE_OPTIONS_KEY" WindowStartUp "$startup"
    expect_reg "prepared PopupCounter" "$STORE_OPTIONS_KEY" PopupCounter "$counter"
    store_run_begin "$app"
    expect_eq "beep from $beep" "$(probe check chkBeep)" 0
    expect_eq "start with Windows from $startup" "$(probe check chkWindowStartup)" 0
    expect_eq "counter from $counter" "$(probe text lblCounter)" "0 Popups blocked till now"
    store_run_end
    for name in Beep WindowStartUp PopupCounter; do
        expect_reg "$name rewritten" "$STORE_OPTIONS_KEY" "$name" '"0"'
    done
    expect_no_reg "not registered" "$STORE_RUN_KEY" Shutterling
done 3<<'ROWS'
""             "abc"          "1e999"
"7"            "-1"           "41.5"
dword:00000001 dword:00000001 dword:00000029
"1e999"        "41.5"         "-1"
"-1"           "7"            ""
"abc"          ""             "abc"
"65537"        "0x1"          "0x29"
ROWS
log PASS
