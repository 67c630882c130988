#!/bin/sh
# Fails unless a Windows program runs on its baseline system: the PE header's
# OS and subsystem versions are the baseline, and every function it imports is
# on the list with a minimum at or below the baseline.
#
#   check-imports.sh OBJDUMP EXE BASELINE LIST
#
# BASELINE is an NT version (5.1); LIST is dist/imports.txt. With CHECK_DUMP
# set, that file is read instead of running OBJDUMP on EXE (the checker's own
# test feeds it doctored dumps).
set -eu
objdump=$1 exe=$2 baseline=$3 list=$4

dump=${CHECK_DUMP:-}
if [ -z "$dump" ]; then
    dump=$(mktemp)
    trap 'rm -f "$dump"' EXIT
    "$objdump" -p "$exe" >"$dump"
fi

# One awk over the list and the dump: the list's lines as DLL!function and
# version, then the header fields and the import table of the dump.
awk -v baseline="$baseline" -v exe="$exe" -v listfile="$list" '
function nt(v,   p) { split(v, p, "."); return p[1] * 100 + p[2] }
function fail(why) { print exe ": " why; bad = 1 }
FNR == NR {
    sub(/#.*/, "")
    if (NF == 0) next
    if (NF != 2 || $1 !~ /^[A-Z0-9_]+![A-Za-z0-9_@?$]+$/ || $2 !~ /^[0-9]+\.[0-9]+$/) {
        print listfile ":" FNR ": not DLL!function VERSION: " $0; bad = 1; next
    }
    listed[$1] = $2
    next
}
$1 ~ /^(Major|Minor)(OperatingSystem|OSystem|Subsystem)Version$/ { header[$1] = $2 + 0 }
/^The Import Tables/ { inside = 1; next }
inside && /^[A-Z]/ { inside = 0 }
inside && /^[[:space:]]*DLL Name:/ { dll = toupper($3); sub(/\.DLL$/, "", dll); next }
# A member line: its address, its hint or ordinal, its name ("<none>" for
# an import by ordinal); a row of the descriptor table has six fields.
inside && dll != "" && NF <= 4 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {
    name = ($3 == "<none>") ? "#" $2 : $3
    imports[dll "!" name] = 1
    count++
}
END {
    split(baseline, want, ".")
    os = ("MajorOSystemVersion" in header) ? "OSystem" : "OperatingSystem"
    if (header["Major" os "Version"] != want[1] || header["Minor" os "Version"] != want[2])
        fail("OS version " header["Major" os "Version"] "." header["Minor" os "Version"] ", not " baseline)
    if (header["MajorSubsystemVersion"] != want[1] || header["MinorSubsystemVersion"] != want[2])
        fail("subsystem version " header["MajorSubsystemVersion"] "." header["MinorSubsystemVersion"] ", not " baseline)
    if (count == 0) fail("no imports read")
    for (f in imports) {
        if (!(f in listed)) fail(f " is not on " listfile)
        else if (nt(listed[f]) > nt(baseline)) fail(f " needs " listed[f] ", above " baseline)
    }
    if (!bad) print exe ": " count " imports, all on the list at or below " baseline ", PE versions " baseline
    exit bad
}' "$list" "$dump"
