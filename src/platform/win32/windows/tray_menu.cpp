#include "platform/win32/windows/tray_menu.h"

#include "ui/control_ids.h"

namespace shutterling::win32 {

UINT MenuItemId(platform::MenuItem item) {
    switch (item) {
        case platform::MenuItem::mnuSettings:
            return IDM_SETTINGS;
        case platform::MenuItem::mnuDisable:
            return IDM_DISABLE;
        case platform::MenuItem::mnuAbout:
            return IDM_ABOUT;
        case platform::MenuItem::mnuSeparator:
            return 0;
        case platform::MenuItem::mnuExit:
            return IDM_EXIT;
    }
    return 0;
}

TrayMenu::TrayMenu(MainWindow& window) : window_(window), menu_(CreatePopupMenu()) {
    if (!menu_)
        return;
    AppendMenuW(menu_.get(), MF_STRING, IDM_SETTINGS, L"Settings");
    AppendMenuW(menu_.get(), MF_STRING, IDM_DISABLE, L"Disable");
    AppendMenuW(menu_.get(), MF_STRING, IDM_ABOUT, L"About");
    AppendMenuW(menu_.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu_.get(), MF_STRING, IDM_EXIT, L"Exit");
}

void TrayMenu::PopupMenu(platform::MenuItem defaultItem) {
    const HWND owner = window_.hwnd();
    if (!menu_ || !owner)
        return;
    SetMenuDefaultItem(menu_.get(), MenuItemId(defaultItem), FALSE);
    POINT at{};
    GetCursorPos(&at);
    // Without the foreground the menu stays open after a click elsewhere.
    SetForegroundWindow(owner);
    const UINT command = static_cast<UINT>(
        TrackPopupMenu(menu_.get(), TPM_RETURNCMD | TPM_NONOTIFY | TPM_RIGHTBUTTON, at.x, at.y, 0,
                       owner, nullptr));
    // After a menu of a background window the next click on the icon is lost
    // unless the owner gets a message first (the TrackPopupMenu remarks).
    PostMessageW(owner, WM_NULL, 0, 0);
    if (command)
        SendMessageW(owner, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

std::optional<std::wstring> TrayMenu::Caption(platform::MenuItem item) {
    if (item == platform::MenuItem::mnuSeparator)
        return std::wstring(L"-");
    if (!menu_)
        return std::nullopt;
    wchar_t text[64] = {};
    const UINT id = MenuItemId(item);
    if (GetMenuStringW(menu_.get(), id, text, 64, MF_BYCOMMAND) == 0 &&
        GetMenuState(menu_.get(), id, MF_BYCOMMAND) == static_cast<UINT>(-1))
        return std::nullopt;
    return std::wstring(text);
}

bool TrayMenu::SetCaption(platform::MenuItem item, const std::wstring& caption) {
    if (!menu_ || item == platform::MenuItem::mnuSeparator)
        return false;
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_STRING;
    info.dwTypeData = const_cast<wchar_t*>(caption.c_str());
    return SetMenuItemInfoW(menu_.get(), MenuItemId(item), FALSE, &info) != FALSE;
}

}  // namespace shutterling::win32
