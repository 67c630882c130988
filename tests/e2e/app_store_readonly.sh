#!/bin/bash
# A read-only data file is left exactly as it was, bytes and attribute, though
# the run's list would be saved differently; nothing half-written stays beside
# it, and the program still shuts down and exits normally.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
e2e_begin app_store_readonly

app="$W/app"
data="$app/ini/Shutterling.Dat"
mkdir -p "$app/ini"
# A lone CR and no final line end: a save would write CR LF after both lines.
printf 'Keep\rSafe page' >"$data"
cp "$data" "$W/expected.dat"
wine attrib +r "$(winpath "$data")"
attributes=$(store_attrib "$data")
[[ $attributes == *R* ]] || die "could not make the data file read-only ($attributes)"
mode=$(stat -c %a "$data")

store_run_begin "$app"
expect_eq "list loaded" "$(probe list lstSafe | paste -sd'|')" "Keep|Safe page"
sim_do 'open ad title="Ad" opener=home menubar=no size=300x250'
sim_wait 30 ' wm_close ad '
sim_sync
store_run_end   # fails unless the exit code is 0

expect_bytes "read-only data file unchanged" "$data" "$W/expected.dat"
expect_eq "still read-only" "$(store_attrib "$data")" "$attributes"
expect_eq "file mode" "$(stat -c %a "$data")" "$mode"
expect_eq "nothing else in ini" "$(ls -A "$app/ini")" "Shutterling.Dat"
expect_no_temp "$app"
# The failed save does not stop the rest of the shut-down.
expect_reg "count stored" "$STORE_OPTIONS_KEY" PopupCounter '"1"'
log PASS
