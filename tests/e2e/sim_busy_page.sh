#!/bin/bash
# A page on a thread of its own (page=own) stops answering while its browser
# object answers: a client still reads its HWND and gets its Document, and
# waits in vain for its script window's opener and, at a later client, for
# the document's class name. A popup's opener reference to such a page is the
# page's own, so its closed waits on that thread. A window on one thread
# (thread=own) that hangs for good answers nothing, even its browser.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_begin sim_busy_page

sim_start <<'STORY'
open home title="Home" size=800x600
open page title="Page" size=800x600 page=own
open slow title="Slow" size=800x600 page=own hang=closed:forever
open ad title="Ad" opener=slow menubar=no size=300x250
open stuck title="Stuck" size=800x600 thread=own
set page hang=opener:forever
set stuck hang=parentwindow:forever
mark armed
STORY
sim_wait 30 ' mark armed$'
hwnd_of() { grep -oE " open $1 hwnd=0x[0-9a-f]+" "$W/sim.log" | cut -d= -f2; }

# Each client reads on threads of its own and is ended with its reads still
# waiting; stuck is the fifth window, named by its place (its title would be
# a read of a window that answers nothing).
client() {
    local out=$1
    shift
    (cd "$W" && timeout 60 wine "$E2E_CLIENT" "$@") | tr -d '\r' >"$W/$out" ||
        die "sim-client failed: $(tail -3 "$W/$out")"
}
has() { grep -qxE -- "$2" "$W/$1" || die "$1 lacks /$2/: $(cat "$W/$1")"; log "ok: $2"; }

# Each read is waited for 1 s: those answered take tens of milliseconds, and
# the hung ones never end.
ms=1000
client first.out --page Page $ms --page '#4' $ms --closed-of Ad $ms
has first.out "page \"Page\" browser=ok hwnd=$(hwnd_of page) document=object class=HTMLDocument parentwindow=object timeout-at=opener ms=$ms"
has first.out "page \"#4\" browser=ok hwnd=$(hwnd_of stuck) document=object class=HTMLDocument timeout-at=parentwindow ms=$ms"
has first.out "closed-of \"Ad\" timeout ms=$ms"
expect_log "page's page thread stopped at opener" ' hang page read=opener for=forever$'
expect_log "stuck's one thread stopped at parentWindow" ' hang stuck read=parentWindow for=forever$'
expect_log "the popup's opener is answered by slow's page thread" ' hang slow read=closed for=forever$'

# Later, another client: the browsers of the hung pages still answer and hand
# out their documents; the pages themselves answer nothing more.
client later.out --page Page $ms --page Slow $ms --page '#4' $ms --reads Home
has later.out "page \"Page\" browser=ok hwnd=$(hwnd_of page) document=object timeout-at=class ms=$ms"
has later.out "page \"Slow\" browser=ok hwnd=$(hwnd_of slow) document=object timeout-at=class ms=$ms"
has later.out "page \"#4\" timeout-at=browser ms=$ms"
has later.out 'reads "Home" title="Home" menubar=yes hwnd=0x[0-9a-f]{8} opener=empty'

sim_quit
expect_log "quit cleanly with three threads still hung" ' exit code=0$'
expect_no_log "no hung thread answered" ' answer (page|slow|stuck) '
log PASS
