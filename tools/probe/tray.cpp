// The program's icon as Wine's tray shows it without an X tray: a top-level
// window whose children are the icons, each with a tooltip window of its own.
#include "probe.h"

namespace probe {
namespace {

HWND TrayIcon() {
    const HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    if (!tray || !IsWindowVisible(tray))
        return nullptr;
    for (HWND icon = GetWindow(tray, GW_CHILD); icon; icon = GetWindow(icon, GW_HWNDNEXT)) {
        if (IsWindowVisible(icon))
            return icon;
    }
    return nullptr;
}

}  // namespace

Result TrayCommand(const Command& c) {
    const std::wstring& cmd = c.Name();
    if (cmd == L"tray-icons") {
        int n = 0;
        if (const HWND icon = TrayIcon()) {
            for (HWND w = icon; w; w = GetWindow(w, GW_HWNDNEXT))
                n += IsWindowVisible(w) ? 1 : 0;
        }
        Print(std::to_wstring(n));
        return 0;
    }
    if (cmd != L"tray-icon" && cmd != L"tray-tip")
        return std::nullopt;
    const HWND icon = TrayIcon();
    if (!icon)
        return Fail(L"no tray icon");
    if (cmd == L"tray-icon") {
        RECT r{};
        GetWindowRect(icon, &r);
        Print(RectText(r));
        return 0;
    }
    // The tooltip answers WM_GETTEXT with the tip it last showed. Its owner is
    // the tray window: a pop-up is owned by the top level of its parent.
    const HWND tip = FindTopLevel(GetAncestor(icon, GA_ROOT), L"tooltips_class32", 0);
    if (!tip)
        return Fail(L"no tooltip window");
    wchar_t text[128] = {};
    SendMessageW(tip, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text));
    Print(text);
    return 0;
}

}  // namespace probe
