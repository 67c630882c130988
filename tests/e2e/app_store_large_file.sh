#!/bin/bash
# A data file of 100,000 lines: the list takes the first 32,767 in file order,
# and the exit writes all 100,000 back, in order, byte for byte.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
e2e_begin app_store_large_file

app="$W/app"
data="$app/ini/Shutterling.Dat"
mkdir -p "$app/ini"
seq -f 'Safe title %06g' 1 100000 | sed 's/$/\r/' >"$data"
cp "$data" "$W/expected.dat"

store_run_begin "$app"
expect_eq "entries" "$(probe count lstSafe)" 32767
probe list lstSafe >"$W/shown.txt"
head -n 32767 "$data" | tr -d '\r' >"$W/first.txt"
expect_bytes "the first 32,767 lines in order" "$W/shown.txt" "$W/first.txt"
sim_do 'open ad title="Safe title 032767" opener=home menubar=no size=300x250' \
    'open ad2 title="Safe title 032768" opener=home menubar=no size=300x250'
sim_fired ad
sim_fired ad2
sim_sync
expect_no_log "the last listed title is exempt" ' wm_close ad '
expect_log "a title beyond the list is not" ' wm_close ad2 '
store_run_end
expect_bytes "all lines written back" "$data" "$W/expected.dat"
expect_no_temp "$app"
log PASS
