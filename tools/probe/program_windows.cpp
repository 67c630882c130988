// The program's windows: finding them, waiting for them to come or go, and
// what a test does to a whole window or to the program's message box.
#include "probe.h"

#include <cwchar>

#include "ui/control_ids.h"

namespace probe {
namespace {

struct OwnedSearch {
    HWND owner;
    const wchar_t* cls;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND w, LPARAM p) {
    auto* search = reinterpret_cast<OwnedSearch*>(p);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (_wcsicmp(cls, search->cls) != 0)
        return TRUE;
    if (search->owner && GetWindow(w, GW_OWNER) != search->owner)
        return TRUE;
    if (search->pid) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != search->pid || !IsWindowVisible(w))
            return TRUE;
    }
    search->found = w;
    return FALSE;
}

int WaitGone(const Command& c) {
    DWORD pid = 0;
    if (const HWND window = c.Target())
        GetWindowThreadProcessId(window, &pid);
    HANDLE process = pid ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr;
    DWORD limit = c.Ms(1, L"30000");
    DWORD start = GetTickCount();
    bool gone = WaitFor(limit, [] { return MainWindow() == nullptr; });
    if (gone && process) {
        DWORD left = limit - (GetTickCount() - start);
        gone = WaitForSingleObject(process, left > limit ? 0 : left) == WAIT_OBJECT_0;
    }
    if (process)
        CloseHandle(process);
    return gone ? 0 : Fail(L"still running");
}

// A message box of the program: a visible dialog-class window of its process.
int MessageBoxCommand(const Command& c) {
    DWORD pid = 0;
    GetWindowThreadProcessId(c.window, &pid);
    const HWND box = FindTopLevel(nullptr, L"#32770", pid);
    if (!box) {
        Print(L"none");
        return c.Name() == L"msgbox" ? 0 : Fail(L"no message box");
    }
    if (c.Name() == L"dismiss")
        return PostMessageW(box, WM_COMMAND, IDOK, 0) ? 0 : Fail(L"post failed");
    wchar_t title[128] = {}, text[512] = {};
    GetWindowTextW(box, title, 128);
    GetDlgItemTextW(box, 0xFFFF, text, 512);  // the message's static control
    Print(std::wstring(title) + L"|" + text);
    return 0;
}

}  // namespace

HWND MainWindow() {
    return FindWindowW(SHUTTERLING_MAIN_CLASS, nullptr);
}

HWND AboutWindow() {
    return FindWindowW(SHUTTERLING_ABOUT_CLASS, nullptr);
}

int CountWindows(const wchar_t* cls) {
    int n = 0;
    for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, cls, nullptr));)
        ++n;
    return n;
}

HWND FindTopLevel(HWND owner, const wchar_t* cls, DWORD pid) {
    OwnedSearch search{owner, cls, pid, nullptr};
    EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

Result LookupCommand(const Command& c) {
    if (c.Name() == L"wait-window") {
        return WaitFor(c.Ms(1, L"30000"), [] { return MainWindow() != nullptr; })
                   ? 0
                   : Fail(L"no main window");
    }
    if (c.Name() == L"instances") {
        Print(std::to_wstring(CountWindows(SHUTTERLING_MAIN_CLASS)));
        return 0;
    }
    if (c.Name() == L"wait-gone")
        return WaitGone(c);
    return std::nullopt;
}

Result WindowCommand(const Command& c) {
    const std::wstring& cmd = c.Name();
    if (cmd == L"find") {
        wchar_t buf[32];
        std::swprintf(buf, 32, L"0x%08lx",
                      static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(c.window)));
        Print(buf);
        return 0;
    }
    if (cmd == L"visible") {
        Print(IsWindowVisible(c.window) ? L"yes" : L"no");
        return 0;
    }
    if (cmd == L"foreground") {
        Print(GetForegroundWindow() == c.window ? L"yes" : L"no");
        return 0;
    }
    if (cmd == L"close")
        return PostMessageW(c.window, WM_CLOSE, 0, 0) ? 0 : Fail(L"post failed");
    if (cmd == L"show") {
        // From outside, as a tray command would: the window is only hidden.
        ShowWindow(c.window, SW_SHOWNORMAL);
        return 0;
    }
    if (cmd == L"hide") {
        ShowWindow(c.window, SW_HIDE);
        return 0;
    }
    if (cmd == L"move") {
        if (c.args.size() < 3)
            return kUsage;
        return SetWindowPos(c.window, nullptr, int(Number(c.args[1])), int(Number(c.args[2])), 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)
                   ? 0
                   : Fail(L"move failed");
    }
    if (cmd == L"post") {
        if (c.args.size() < 2)
            return kUsage;
        BOOL ok = PostMessageW(c.window, MessageNumber(c.args[1]), WPARAM(Number(c.Arg(2, L"0"))),
                               Number(c.Arg(3, L"0")));
        return ok ? 0 : Fail(L"post failed");
    }
    if (cmd == L"msgbox" || cmd == L"dismiss")
        return MessageBoxCommand(c);
    return std::nullopt;
}

}  // namespace probe
