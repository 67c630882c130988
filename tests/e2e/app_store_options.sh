#!/bin/bash
# Stored options reach the check boxes (grayed included) and the counter, go
# back unchanged at exit, and drive the start-with-Windows value: written as
# the exe's path for any non-zero option, following the exe when it moves (in
# quotes once the path holds a blank), deleted when the option is 0, with the
# other values under the Run key left alone.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
e2e_begin app_store_options

store_reg_import <<'REG'
[HKEY_CURRENT_USER\Software\Shutterling\Options]
"Beep"="1"
"WindowStartUp"="2"
"PopupCounter"="41"
REG
store_settle

app="$W/app"
store_run_begin "$app"
expect_eq "beep checked" "$(probe check chkBeep)" 1
expect_eq "start with Windows grayed" "$(probe check chkWindowStartup)" 2
expect_eq "reset unchecked" "$(probe check chkReset)" 0
expect_eq "counter" "$(probe text lblCounter)" "41 Popups blocked till now"
store_run_end

expect_reg "Beep written back" "$STORE_OPTIONS_KEY" Beep '"1"'
expect_reg "WindowStartUp written back" "$STORE_OPTIONS_KEY" WindowStartUp '"2"'
expect_reg "PopupCounter written back" "$STORE_OPTIONS_KEY" PopupCounter '"41"'
# A REG_SZ of the path and exactly one NUL; anything else shows as hex(1).
expect_reg "Run value for a grayed option" "$STORE_RUN_KEY" Shutterling \
    "$(reg_sz "$(winpath "$app/Shutterling.exe")")"

# The same user runs a copy in a folder with a blank in its path.
moved="$W/my tools"
store_run_begin "$moved"
expect_eq "options are the user's, not the copy's" "$(probe check chkWindowStartup)" 2
store_run_end
expect_reg "Run value follows the exe, quoted" "$STORE_RUN_KEY" Shutterling \
    "$(reg_sz "\"$(winpath "$moved/Shutterling.exe")\"")"

# Unticked: only the program's own value goes.
store_reg_import <<'REG'
[HKEY_CURRENT_USER\Software\Shutterling\Options]
"WindowStartUp"="0"

[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"Other"="C:\\Other\\other.exe /min"
"Shutterling2"="keep me"
REG
store_settle
before=$(reg_raw "$STORE_RUN_KEY" Other)
store_run_begin "$app"
expect_eq "start with Windows unchecked" "$(probe check chkWindowStartup)" 0
store_run_end
expect_no_reg "Run value deleted" "$STORE_RUN_KEY" Shutterling
expect_reg "other Run value untouched" "$STORE_RUN_KEY" Other "$before"
expect_reg "similar name untouched" "$STORE_RUN_KEY" Shutterling2 '"keep me"'
expect_reg "WindowStartUp" "$STORE_OPTIONS_KEY" WindowStartUp '"0"'
log PASS
