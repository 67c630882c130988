#!/bin/bash
# The portable zip as a Windows user gets it: packed by cpack, unpacked into a
# folder with a blank in its name in a fresh prefix, and run from there. It
# blocks a popup, puts its title on the safe list, and at Exit writes the data
# file into that folder and the Run value with the unpacked exe's path.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
e2e_begin app_portable_zip

[ -f "${E2E_PACKAGE_CONFIG:-}" ] || die "no CPack configuration (E2E_PACKAGE_CONFIG)"
cpack --config "$E2E_PACKAGE_CONFIG" -B "$W/package" >"$W/cpack.out" 2>&1 ||
    die "cpack failed: $(tail -3 "$W/cpack.out")"
zip=$(ls "$W"/package/Shutterling-1.0.0-win*.zip)
expect_eq "what the zip holds" \
    "$(cmake -E tar tf "$zip" | sed 's|^[^/]*/||' | sort | paste -sd' ')" "README.txt Shutterling.exe"

where="$WINEPREFIX/drive_c/Portable Apps"
mkdir -p "$where"
(cd "$where" && cmake -E tar xf "$zip")
app=$(ls -d "$where"/Shutterling-1.0.0-win*)
cmp -s "$app/Shutterling.exe" "$E2E_APP" || die "the zip's exe is not the build's"
readme="$app/README.txt"
[ "$(grep -c $'\r$' "$readme")" -eq "$(wc -l <"$readme")" ] || die "README.txt lines do not all end in CR LF"
for text in 'Software\Shutterling\Options' 'ini\Shutterling.Dat' 'Uninstalling'; do
    grep -qF "$text" "$readme" || die "README.txt does not mention $text"
done
log "ok: README.txt for Windows"

store_run_using "$app"
store_run_end

printf 'Buy now\r\n' >"$W/expected.dat"
expect_bytes "the safe list beside the unpacked exe" "$app/ini/Shutterling.Dat" "$W/expected.dat"
expect_reg "count" "$STORE_OPTIONS_KEY" PopupCounter '"1"'
# Quoted: the path holds a blank.
expect_reg "Run value" "$STORE_RUN_KEY" Shutterling \
    "$(reg_sz "\"C:\\Portable Apps\\$(basename "$app")\\Shutterling.exe\"")"
log PASS
