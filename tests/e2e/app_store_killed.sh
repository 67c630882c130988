#!/bin/bash
# A run that ends without a close request saves nothing: the data file, the
# settings and the Run key stay as they were at its start, though the run
# changed the count and would have rewritten the file and the Run value.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
e2e_begin app_store_killed

app="$W/app"
data="$app/ini/Shutterling.Dat"
mkdir -p "$app/ini"
printf 'Safe page' >"$data"   # a save would add CR LF
cp "$data" "$W/expected.dat"
store_reg_import <<'REG'
[HKEY_CURRENT_USER\Software\Shutterling\Options]
"Beep"="1"
"WindowStartUp"="1"
"PopupCounter"="5"
REG
store_settle

store_run_begin "$app"
sim_do 'open ad title="Ad" opener=home menubar=no size=300x250'
sim_wait 30 ' wm_close ad '
sim_sync
expect_eq "the run counted" "$(probe text lblCounter)" "6 Popups blocked till now"
store_kill_app
sim_sync
expect_no_log "no shut-down ran" ' unadvise '
sim_quit
store_settle

expect_bytes "data file as at start" "$data" "$W/expected.dat"
expect_eq "nothing else in ini" "$(ls -A "$app/ini")" "Shutterling.Dat"
expect_reg "Beep as at start" "$STORE_OPTIONS_KEY" Beep '"1"'
expect_reg "WindowStartUp as at start" "$STORE_OPTIONS_KEY" WindowStartUp '"1"'
expect_reg "PopupCounter as at start" "$STORE_OPTIONS_KEY" PopupCounter '"5"'
expect_no_reg "no Run value written" "$STORE_RUN_KEY" Shutterling
log PASS
