#!/bin/bash
# How the data file's lines are read and written back: a line ends at CR LF or
# at a lone CR, a lone LF belongs to the text, and every line is written with
# CR LF after it. Bytes the code page cannot carry and NULs come back as they
# were.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
e2e_begin app_store_line_ends

app="$W/app"
data="$app/ini/Shutterling.Dat"
mkdir -p "$app/ini"

# One run per row: file before (printf format), entries shown, file after.
# shellcheck disable=SC2059 # the rows are printf formats on purpose
while read -r before entries after <&3; do
    printf "$before" >"$data"
    printf "$after" >"$W/expected.dat"
    log "file: $before"
    store_run_begin "$app"
    expect_eq "entries of $before" "$(probe count lstSafe)" "$entries"
    store_run_end
    expect_bytes "$before written back" "$data" "$W/expected.dat"
done 3<<'ROWS'
A\nB                    1  A\nB\r\n
A\rB                    2  A\r\nB\r\n
A\r\n\r\nB\r\n          3  A\r\n\r\nB\r\n
A\r\n\r\nB              3  A\r\n\r\nB\r\n
A\r                     1  A\r\n
\r\n                    1  \r\n
\n                      1  \n\r\n
A\n\rB\r\r\nC\r\n       4  A\n\r\nB\r\n\r\nC\r\n
ROWS

# Undefined in Windows-1252, NULs inside, at the end and alone, and lines that
# the list shows alike (text up to the NUL), in an order a naive match would
# swap.
odd='nul\r\nx\x81\x8d\x8f\x90\x9dy\r\nnul\0inside\r\n\0\r\n\r\nnul\r\n\x80 \xe9\xff\r\ntrailing\0\r\n\x81\r\n'
# shellcheck disable=SC2059
printf "$odd" >"$data"
cp "$data" "$W/expected.dat"
store_run_begin "$app"
expect_eq "entries with odd bytes" "$(probe count lstSafe)" 9
expect_eq "first entry" "$(probe list lstSafe | sed -n 1p)" "nul"
store_run_end
expect_bytes "odd bytes written back" "$data" "$W/expected.dat"
log PASS
