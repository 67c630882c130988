// The program's pop-up menu and its keyboard: where the menu is open, which
// control has the focus, and keys pressed inside the program's thread.
#include "probe.h"

#include <cwchar>

#include "ui/control_ids.h"

namespace probe {
namespace {

int MenuCommand(DWORD pid) {
    // An open pop-up menu is a window of the system class #32768.
    const HWND menu = FindTopLevel(nullptr, L"#32768", pid);
    RECT r{};
    if (menu)
        GetWindowRect(menu, &r);
    Print(menu ? RectText(r) : std::wstring(L"none"));
    return 0;
}

int FocusCommand(const Command& c, DWORD thread) {
    const std::optional<HWND> focus = FocusIn(thread);
    if (!focus)
        return Fail(L"no thread information");
    if (!*focus) {
        Print(L"none");
    } else if (*focus == c.window) {
        Print(L"window");
    } else {
        // Named when it is one of the settings window's controls that take the focus.
        const int id = GetDlgCtrlID(*focus);
        const wchar_t* name =
            id >= IDC_CMDDONE && id <= IDC_CHKWINDOWSTARTUP ? ControlName(id) : nullptr;
        Print(name ? std::wstring(name) : std::to_wstring(id));
    }
    return 0;
}

// Posted to the program's thread: under Xvfb without a window manager X key
// events reach no Wine window while a menu is open.
int KeyCommand(const Command& c, DWORD thread) {
    static const struct {
        const wchar_t* name;
        WPARAM vk;
    } keys[] = {{L"Up", VK_UP},
                {L"Down", VK_DOWN},
                {L"Return", VK_RETURN},
                {L"Escape", VK_ESCAPE},
                {L"Tab", VK_TAB}};
    for (size_t i = 1; i < c.args.size(); ++i) {
        WPARAM vk = 0;
        for (const auto& k : keys) {
            if (_wcsicmp(k.name, c.args[i].c_str()) == 0)
                vk = k.vk;
        }
        if (!vk)
            return Fail(L"unknown key");
        // To the focused control when there is one, so dialog keys work too.
        const HWND focus = FocusIn(thread).value_or(nullptr);
        const LPARAM scan = LPARAM(MapVirtualKeyW(UINT(vk), MAPVK_VK_TO_VSC)) << 16;
        const auto post = [&](UINT msg, LPARAM lp) {
            if (focus)
                PostMessageW(focus, msg, vk, lp);
            else
                PostThreadMessageW(thread, msg, vk, lp);
        };
        post(WM_KEYDOWN, scan | 1);
        post(WM_KEYUP, scan | 1 | (LPARAM(3) << 30));
        Sleep(100);
    }
    return 0;
}

}  // namespace

Result MenuKeyCommand(const Command& c) {
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(c.window, &pid);
    if (c.Name() == L"menu")
        return MenuCommand(pid);
    if (c.Name() == L"focus")
        return FocusCommand(c, thread);
    if (c.Name() == L"key")
        return KeyCommand(c, thread);
    return std::nullopt;
}

}  // namespace probe
