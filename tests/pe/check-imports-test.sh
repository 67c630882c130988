#!/bin/sh
# The import check fails on each way a program can outgrow its baseline: a
# dump of the real program, each time with one fault put in, must fail with
# the fault named (the dump as it is is the pe_baseline test's).
#
#   check-imports-test.sh OBJDUMP EXE BASELINE LIST
set -eu
objdump=$1 exe=$2 baseline=$3 list=$4
check=$(dirname "$0")/check-imports.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$objdump" -p "$exe" >"$work/dump"
cp "$list" "$work/list"
# A Vista-only function on the list, as someone allowing it would write it.
printf 'KERNEL32!AcquireSRWLockExclusive 6.0\n' >>"$work/list"

failures=0
# case NAME SED-ON-THE-DUMP EXPECTED-MESSAGE
case_() {
    sed "$2" "$work/dump" >"$work/case"
    if out=$(CHECK_DUMP="$work/case" sh "$check" "$objdump" "$exe" "$baseline" "$work/list"); then
        echo "FAIL $1: passed"
        failures=$((failures + 1))
    elif ! printf '%s\n' "$out" | grep -qF -- "$3"; then
        echo "FAIL $1: no [$3] in: $out"
        failures=$((failures + 1))
    else
        echo "ok $1: $(printf '%s\n' "$out" | grep -F -- "$3" | head -1)"
    fi
}

major=${baseline%.*} minor=${baseline#*.}
# Each new import goes in after the first member of the KERNEL32 table.
member='/DLL Name: KERNEL32/,/^$/{/^[[:space:]]*[0-9a-f][0-9a-f]*[[:space:]][[:space:]]*[0-9]/{'
case_ "unlisted import" "${member}p;s/[A-Za-z_][A-Za-z0-9_]*\$/GetTickCount64/;};}" \
    "KERNEL32!GetTickCount64 is not on"
case_ "listed above the baseline" "${member}p;s/[A-Za-z_][A-Za-z0-9_]*\$/AcquireSRWLockExclusive/;};}" \
    "KERNEL32!AcquireSRWLockExclusive needs 6.0, above $baseline"
case_ "import by ordinal" "${member}p;s/[A-Za-z_][A-Za-z0-9_]*\$/<none>/;};}" "is not on"
case_ "OS version" "s/^\(MajorOSystemVersion[[:space:]]*\).*/\\14/" "OS version 4.$minor"
case_ "subsystem version" "s/^\(MinorSubsystemVersion[[:space:]]*\).*/\\19/" \
    "subsystem version $major.9"
case_ "no import table" '/^The Import Tables/,$d' "no imports read"

[ "$failures" -eq 0 ]
