#!/bin/bash
# The setup program, silent (/S), in a fresh prefix: the program, README.txt
# and the uninstaller in %LOCALAPPDATA%\Programs\Shutterling, a Start menu
# shortcut and the Apps & features entry; started from there, the program
# blocks a popup. A setup run while a copy runs that does not close stops
# with nothing changed; one run while a copy runs that does close asks it to
# close (the copy writes its options and safe list as at Exit; its About
# window is closed too), then puts the new program in place and keeps the
# safe list.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/store_lib.sh"
source "$(dirname "$0")/setup_lib.sh"
e2e_begin app_setup_upgrade
setup_build
# The next version, told apart by its bytes: a mark after the program's end.
{ cat "$E2E_APP"; printf 'next version'; } >"$W/next.exe"
"$E2E_MAKE_SETUP" "$E2E_BUILD_DIR" "$W/next" "$W/next.exe" >>"$W/make-setup.out" 2>&1 ||
    die "make-setup failed for the next version: $(tail -3 "$W/make-setup.out")"
next_setup="$W/next/Shutterling-1.0.0-setup.exe"
log "setup program: $(stat -c %s "$setup") bytes"

# Windows paths as this prefix's user sees them.
inst_win="$(wine cmd /c echo %LOCALAPPDATA% | tr -d '\r')\\Programs\\Shutterling"
inst=$(realpath -m "$(wine winepath -u "$inst_win" | tr -d '\r')")
lnk=$(realpath -m "$(wine winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')" | tr -d '\r')")
lnk="$lnk/Microsoft/Windows/Start Menu/Programs/Shutterling.lnk"

timeout 120 wine "$setup" /S || die "the setup exited with $?"
expect_bytes "the installed program" "$inst/Shutterling.exe" "$E2E_APP"
expect_bytes "README.txt" "$inst/README.txt" "$(dirname "$E2E_APP")/README.txt"
[ -f "$inst/Uninstall.exe" ] || die "no Uninstall.exe"
grep -qaF "$inst_win\\Shutterling.exe" "$lnk" || die "no Start menu shortcut to the program at $lnk"
log "ok: Start menu shortcut"

store_settle
key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Shutterling'
maker=$(sed -n 's/^#define SHUTTERLING_MAKER_NAME L"\(.*\)"$/\1/p' "$(dirname "$0")/../../src/ui/maker.h")
expect_reg "DisplayName" "$key" DisplayName '"Shutterling"'
expect_reg "DisplayVersion" "$key" DisplayVersion '"1.0.0"'
expect_reg "Publisher, the maker" "$key" Publisher "$(reg_sz "$maker")"
expect_reg "DisplayIcon" "$key" DisplayIcon "$(reg_sz "$inst_win\\Shutterling.exe,0")"
expect_reg "InstallLocation" "$key" InstallLocation "$(reg_sz "$inst_win")"
expect_reg "UninstallString" "$key" UninstallString "$(reg_sz "\"$inst_win\\Uninstall.exe\"")"
expect_reg "QuietUninstallString" "$key" QuietUninstallString \
    "$(reg_sz "\"$inst_win\\Uninstall.exe\" /S")"
expect_reg "NoModify" "$key" NoModify dword:00000001
expect_reg "NoRepair" "$key" NoRepair dword:00000001
# In KB (within one of the files' total), as a DWORD.
size=$(reg_raw "$key" EstimatedSize) && [[ $size == dword:* ]] || die "EstimatedSize: ${size:-none}"
kb=$(($(cat "$inst"/* | wc -c) / 1024)) size=$((16#${size#dword:}))
[ "$size" -ge $((kb - 1)) ] && [ "$size" -le $((kb + 1)) ] || die "EstimatedSize $size, files $kb KB"
log "ok: EstimatedSize $size KB"

store_run_using "$inst"

# A copy that cannot answer (stopped) outlasts the setup's wait: the setup
# gives up without touching the program, the shortcut or the entry.
pid=$(ps -o pid= --ppid "$APP_PID" | tr -d ' ' | head -1)
grep -q 'Shutterling.exe' "/proc/$pid/cmdline" || die "process $pid is not Shutterling.exe"
store_reg_import <<'REG'
[HKEY_CURRENT_USER\Software\Microsoft\Windows\CurrentVersion\Uninstall\Shutterling]
"DisplayVersion"="0.9"
REG
rm "$lnk"
kill -STOP "$pid"
rc=0
timeout 120 wine "$next_setup" /S || rc=$?
kill -CONT "$pid"
expect_eq "exit code of a setup that could not close the program" "$rc" 2
expect_bytes "the program left in place" "$inst/Shutterling.exe" "$E2E_APP"
[ -e "$lnk" ] && die "the stopped setup made a shortcut"
# Its close request was posted all the same: the copy, running again, ends.
app_wait_exit 60
sim_quit
store_settle
expect_reg "the entry left as it was" "$key" DisplayVersion '"0.9"'
expect_reg "count written at the close" "$STORE_OPTIONS_KEY" PopupCounter '"1"'

store_run_begin "$inst"
sim_do 'open ad2 title="Another ad" opener=home menubar=no size=300x250'
sim_wait 30 ' wm_close ad2 '
wait_for 10 "the second popup counted" answers "2 Popups blocked till now" text lblCounter
# An open About window keeps the process after the main window has gone.
probe post 273 40003 >/dev/null  # WM_COMMAND, IDM_ABOUT
wait_for 10 "the About window" answers 1 about count
timeout 120 wine "$next_setup" /S || die "the setup over a running copy exited with $?"
# The setup returns only once the copy has ended: cleanly, exit code 0.
app_wait_exit 10
log "ok: the running copy closed"
expect_bytes "the next version in place" "$inst/Shutterling.exe" "$W/next.exe"
[ -f "$lnk" ] || die "no Start menu shortcut after the upgrade"
sim_quit
store_settle
expect_reg "the entry written again" "$key" DisplayVersion '"1.0.0"'
expect_reg "count written by the closed copy" "$STORE_OPTIONS_KEY" PopupCounter '"2"'
expect_reg "start-up option written" "$STORE_OPTIONS_KEY" WindowStartUp '"1"'
expect_reg "Run value names the installed copy" "$STORE_RUN_KEY" Shutterling \
    "$(reg_sz "$inst_win\\Shutterling.exe")"
printf 'Buy now\r\n' >"$W/expected.dat"
expect_bytes "the safe list kept" "$inst/ini/Shutterling.Dat" "$W/expected.dat"
log PASS
