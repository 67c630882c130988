// probe: reads and pokes the running Shutterling.exe through window messages,
// for test scripts. One command per run; results are plain UTF-8 lines.
//
//   probe find                 hwnd of the main window (exit 1 when none)
//   probe instances            how many main windows exist
//   probe wait-window [MS]     wait until the main window exists
//   probe visible              "yes" or "no"
//   probe list CONTROL         a list box's entries, one per line
//   probe count CONTROL        a list box's entry count
//   probe text CONTROL         a control's text
//   probe check CONTROL        a check box's state: 0, 1 or 2
//   probe click CONTROL        click a button or check box
//   probe dblclick LIST INDEX  select an entry and double-click it
//   probe msgbox               "TITLE|TEXT" of the program's message box, or "none"
//   probe dismiss              press OK on the program's message box
//   probe close                post WM_CLOSE to the main window
//   probe show                 show the (hidden) main window
//   probe hide                 hide it
//   probe move X Y             move it to X Y on the screen
//   probe post MSG [WP [LP]]   post a message (number or registered name) to it
//   probe broadcast NAME       post a registered message to every top-level window
//   probe wait-gone [MS]       wait until the main window and its process are gone
//   probe hold-ctrl MS         hold the Ctrl key down for MS milliseconds (SendInput)
//   probe key-state            "down" or "up": Ctrl as GetKeyState sees it here
//   probe dblclick-time        the system's double-click time in milliseconds
//   probe tray-icon            "X Y W H": the screen rectangle of the icon in Wine's
//                              tray window (exit 1 when there is none)
//   probe tray-icons           how many icons Wine's tray window shows
//   probe tray-tip             the text of the icon's tooltip as Wine's tray shows it
//   probe menu                 "X Y W H" of the program's open pop-up menu, or "none"
//   probe focus                the control with the keyboard focus in the program
//   probe foreground           "yes" when the main window is the foreground window
//   probe key NAME...          press keys (Up, Down, Return, Escape, Tab) in the
//                              program's thread, where an open menu reads them
//   probe footprint            the program's working set and private bytes (KB), its GDI
//                              and USER objects (0 where GetGuiResources is not
//                              implemented, as in Wine 8), its windows (top-level and
//                              child), one "name value" per line
//   probe record FILE ARG      append ARG as a line to FILE (a test's URL handler)
//   probe about COMMAND ...    the commands above that read or poke a window,
//                              aimed at the About window instead, and:
//   probe about count          how many About windows exist
//   probe about shape          caption, caption buttons, owner, focus, place, size
//   probe about where CONTROL  "X Y": the control's centre on the screen
//
// CONTROL is an id or a name such as lstPopups, lblCounter or lblURL.
//
// The commands live with what they read: program_windows.cpp, controls.cpp,
// tray.cpp, menu_keys.cpp, about.cpp, footprint.cpp and utilities.cpp.
#include "probe.h"

#include <shellapi.h>

#include <cstdio>
#include <utility>

namespace {

using namespace probe;

// Commands that need no program window.
const Handler kWithoutWindow[] = {UtilityCommand, LookupCommand, AboutCountCommand, TrayCommand};
// Commands on the window aimed at; a command on one of its controls comes last.
const Handler kOnWindow[] = {AboutShapeCommand, FootprintCommand, WindowCommand, MenuKeyCommand};

int Run(Command c) {
    if (c.args.empty())
        return kUsage;
    // "about ...": the same commands, aimed at the About window.
    c.about = c.args[0] == L"about";
    if (c.about) {
        c.args.erase(c.args.begin());
        if (c.args.empty())
            return kUsage;
    }
    for (const Handler handler : kWithoutWindow) {
        if (const Result result = handler(c))
            return *result;
    }
    c.window = c.Target();
    if (!c.window)
        return Fail(c.about ? L"no About window" : L"no main window");
    for (const Handler handler : kOnWindow) {
        if (const Result result = handler(c))
            return *result;
    }
    return ControlCommand(c);
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    Command command;
    command.args.assign(argv + 1, argv + argc);
    LocalFree(argv);
    int code = Run(std::move(command));
    if (code == kUsage)
        std::fputs("usage: probe COMMAND [ARGS] (see the source's header)\n", stderr);
    return code;
}
