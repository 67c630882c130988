#!/bin/bash
# Uninstalling, silently and as Apps & features does (its QuietUninstallString),
# while the program runs from a folder with a blank in its path: the copy is
# asked to close and writes its options as at Exit; the program, README.txt,
# the uninstaller, the shortcut, the entry and this copy's Run value go; the
# safe list and the options stay. Another copy's Run value stays too.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/setup_lib.sh"
e2e_begin app_setup_uninstall
setup_build

# cmd_file NAME COMMAND-LINE: runs a command line exactly as written, through
# a batch file (Wine would quote an argument with blanks, and NSIS takes /D=
# only unquoted); cmd waits for it and gives its exit code.
cmd_file() {
    printf '@%s\r\n' "$2" >"$W/$1.cmd"
    timeout 120 wine cmd /c "$(winpath "$W/$1.cmd")"
}

inst_win='C:\My Programs\Shutterling'
inst="$WINEPREFIX/drive_c/My Programs/Shutterling"
lnk=$(realpath -m "$(wine winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')" | tr -d '\r')")
lnk="$lnk/Microsoft/Windows/Start Menu/Programs/Shutterling.lnk"
key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Shutterling'

cmd_file install "$(winpath "$setup") /S /D=$inst_win" || die "the setup exited with $?"
[ -f "$inst/Shutterling.exe" ] && [ -f "$lnk" ] || die "not installed into $inst_win"
store_settle
quiet=$(reg_raw "$key" QuietUninstallString) || die "no QuietUninstallString"
# user.reg's escapes undone: the command line as Windows reads it.
quiet=$(printf '%s' "$quiet" | sed 's/^"//; s/"$//; s/\\\(.\)/\1/g')

# Already registered by an earlier session, so its removal proves something.
store_reg_import <<'REG'
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"Shutterling"="\"C:\\My Programs\\Shutterling\\Shutterling.exe\""
REG
store_run_begin "$inst"
sim_do 'open ad title="Buy now" opener=home menubar=no size=300x250'
sim_wait 30 ' wm_close ad '
probe dblclick lstPopups 0
wait_for 10 "the title on the safe list" answers 1 count lstSafe
probe click chkWindowStartup
wait_for 10 "the start-up box ticked" answers 1 check chkWindowStartup

# The uninstaller returns at once and goes on from a copy of itself.
cmd_file uninstall "$quiet" || die "the uninstaller exited with $?"
app_wait_exit 60
log "ok: the running copy closed"
sim_quit
timeout 120 wineserver -w || die "the uninstaller did not finish"
store_settle
for f in Shutterling.exe README.txt Uninstall.exe; do
    [ -e "$inst/$f" ] && die "$f left behind"
done
[ -e "$lnk" ] && die "the Start menu shortcut left behind"
log "ok: program, README.txt, uninstaller and shortcut removed"
expect_no_reg "the Apps & features entry removed" "$key" DisplayName
expect_no_reg "this copy's Run value removed" "$STORE_RUN_KEY" Shutterling
expect_reg "count kept" "$STORE_OPTIONS_KEY" PopupCounter '"1"'
expect_reg "start-up option written at the close and kept" "$STORE_OPTIONS_KEY" WindowStartUp '"1"'
printf 'Buy now\r\n' >"$W/expected.dat"
expect_bytes "the safe list kept" "$inst/ini/Shutterling.Dat" "$W/expected.dat"

# Installed again; the Run value names another copy, nothing runs.
cmd_file install "$(winpath "$setup") /S /D=$inst_win" || die "the second setup exited with $?"
store_reg_import <<'REG'
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Run]
"Shutterling"="C:\\Portable\\Shutterling.exe"
REG
cmd_file uninstall "$quiet" || die "the second uninstall exited with $?"
timeout 120 wineserver -w || die "the second uninstall did not finish"
expect_no_reg "the entry removed again" "$key" DisplayName
expect_reg "another copy's Run value kept" "$STORE_RUN_KEY" Shutterling \
    "$(reg_sz 'C:\Portable\Shutterling.exe')"
log PASS
