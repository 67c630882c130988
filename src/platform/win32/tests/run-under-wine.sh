#!/bin/sh
# Runs a Win32 test program in a fresh, throw-away Wine prefix under Xvfb.
# usage: [LOGPIXELS=DPI] [E2E_WINVER=winxp] run-under-wine.sh win32|win64 program.exe [args...]
set -eu
arch=$1
shift
prefix=$(mktemp -d)
trap 'WINEPREFIX=$prefix wineserver -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
export WINEPREFIX="$prefix" WINEARCH="$arch" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Debian's wine wrapper takes the 32-bit loader whenever it is installed.
wine=wine
if [ "$arch" = win64 ]; then
    wine=/usr/lib/wine/wine64
    export WINELOADER=$wine
fi
"$wine" wineboot -i >/dev/null 2>&1
# Without a window manager a captioned window takes seconds to go away.
"$wine" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
# Wine's own fonts, as in every prefix of ours: Wine 8 does not load them from
# /usr/share/wine/fonts, and text is measured here.
cp /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/"
# E2E_WINVER=winxp: the Windows the prefix reports, as in the end-to-end tests.
if [ -n "${E2E_WINVER:-}" ]; then
    "$wine" reg add 'HKCU\Software\Wine' /v Version /d "$E2E_WINVER" /f >/dev/null 2>&1
fi
if [ -n "${LOGPIXELS:-}" ]; then
    "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$LOGPIXELS" \
        /f >/dev/null 2>&1
fi
# The desktop made so far has no display: let it go before the run under Xvfb.
wineserver -w
status=0
timeout 120 xvfb-run -a "$wine" "$@" || status=$?
exit $status
