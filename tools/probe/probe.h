// What the probe's commands share: the parsed command line, output, and the
// lookups of the program's windows that several commands need. Each command
// file offers handlers that answer the commands they know and leave the rest.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

namespace probe {

struct Command {
    std::vector<std::wstring> args;  // args[0] names the command
    bool about = false;              // "probe about ...": aimed at the About window
    HWND window = nullptr;           // the window aimed at, for the handlers that need one

    const std::wstring& Name() const { return args[0]; }
    std::wstring Arg(size_t i, const wchar_t* fallback) const;
    DWORD Ms(size_t i, const wchar_t* fallback) const;
    // The main window, or the About window for "probe about ...".
    HWND Target() const;
};

// A handler's exit code, or nothing when the command is not one of its own.
using Result = std::optional<int>;
using Handler = Result (*)(const Command&);
constexpr int kUsage = 2;

// common.cpp
std::string Utf8(const std::wstring& text);
void Print(const std::wstring& text);
int Fail(const wchar_t* why);
bool WaitFor(DWORD ms, bool (*done)());
UINT MessageNumber(const std::wstring& text);  // a number or a registered message's name
LPARAM Number(const std::wstring& text);
std::wstring RectText(const RECT& r);  // "X Y W H"
// The window with the keyboard focus in a thread; nothing when the thread is unknown.
std::optional<HWND> FocusIn(DWORD thread);

// program_windows.cpp
HWND MainWindow();
HWND AboutWindow();
int CountWindows(const wchar_t* cls);
// A top-level window of a class; with an owner, owned by it; with a pid, a
// visible one of that process.
HWND FindTopLevel(HWND owner, const wchar_t* cls, DWORD pid);
Result LookupCommand(const Command& c);  // wait-window, instances, wait-gone
Result WindowCommand(const Command& c);  // find, visible, close, show, hide, move, post, ...

// controls.cpp
const wchar_t* ControlName(int id);    // nullptr for an id without a name
int ControlCommand(const Command& c);  // the last resort: a command on a control

// Each of these in the file of its name.
Result UtilityCommand(const Command& c);
Result TrayCommand(const Command& c);
Result MenuKeyCommand(const Command& c);
Result AboutCountCommand(const Command& c);
Result AboutShapeCommand(const Command& c);
Result FootprintCommand(const Command& c);

}  // namespace probe
