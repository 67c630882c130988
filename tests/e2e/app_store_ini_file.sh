#!/bin/bash
# A file named "ini" where the data folder belongs: it counts as the folder,
# so no list is read and the save fails quietly; the file is left alone, no
# data or temporary file appears anywhere, and the program exits normally.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
e2e_begin app_store_ini_file

app="$W/app"
mkdir -p "$app"
printf 'Not a folder\r\n' >"$app/ini"
cp "$app/ini" "$W/expected.ini"

store_run_begin "$app"
expect_eq "empty safe list" "$(probe count lstSafe)" 0
store_run_end

expect_bytes "the file ini is unchanged" "$app/ini" "$W/expected.ini"
expect_eq "beside the exe" "$(ls -A "$app" | paste -sd' ')" "Shutterling.exe ini"
left=$(find "$W" -iname 'Shutterling.Dat*' -print | head -5)
[ -z "$left" ] || die "a data file appeared: $left"
log "ok: no data file anywhere under $W"
expect_no_temp "$W"
expect_reg "the rest of the shut-down ran" "$STORE_OPTIONS_KEY" PopupCounter '"0"'
log PASS
