// The tray record as Windows takes it, the window hook, and the tray menu as
// it opens: its items, the command run by the keys, its captions, the icons.
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/windows/tray_hook.h"
#include "platform/win32/windows/tray_menu.h"
#include "platform_test.h"
#include "shutterling_res.h"
#include "tray/tray_icon.h"

namespace shutterling::win32::test {

void TrayRecordAndHook() {
    currentCase = "tray record";
    platform::TrayRecord record;
    record.cbSize = 88;
    record.hWnd = 0x1234;
    record.uFlags = 7;
    record.uCallbackMessage = 1400;
    record.hIcon = 0x5678;
    record.szTip.fill(' ');
    std::memcpy(record.szTip.data(), "Shutterling Enabled", 20);
    const NOTIFYICONDATAA data = ToNotifyIconData(record);
    CHECK(data.cbSize == NOTIFYICONDATAA_V1_SIZE);
    CHECK(data.hWnd == reinterpret_cast<HWND>(0x1234));
    CHECK(data.uID == 0 && data.uFlags == 7 && data.uCallbackMessage == 1400);
    CHECK(data.hIcon == reinterpret_cast<HICON>(0x5678));
    CHECK(std::memcmp(data.szTip, record.szTip.data(), 64) == 0);
    CHECK(data.szTip[19] == '\0' && data.szTip[20] == ' ' && data.szTip[63] == ' ');

    currentCase = "window hook";
    const HWND edit = CreateWindowExW(0, L"EDIT", L"hooked", WS_POPUP, 0, 0, 10, 10, nullptr,
                                      nullptr, nullptr, nullptr);
    const LONG_PTR before = GetWindowLongPtrA(edit, GWLP_WNDPROC);
    TrayImpl tray;
    const auto previous = tray.InstallTrayWndProc(reinterpret_cast<platform::WindowHandle>(edit));
    modCommon::lngOldWndProc = previous;  // as InstallWindowHook stores it
    CHECK(previous == before);
    CHECK(GetWindowLongPtrA(edit, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&TrayWndProc));
    // Messages still reach the edit control, results and all.
    CHECK(SendMessageW(edit, WM_GETTEXTLENGTH, 0, 0) == 6);
    SetWindowTextW(edit, L"changed");
    wchar_t text[16] = {};
    GetWindowTextW(edit, text, 16);
    CHECK(std::wstring(text) == L"changed");
    tray.RestoreWndProc(reinterpret_cast<platform::WindowHandle>(edit), previous);
    CHECK(GetWindowLongPtrA(edit, GWLP_WNDPROC) == before);
    DestroyWindow(edit);
}

namespace {

// What an open tray menu shows, read in-process while it is open (Wine hands
// out menu handles that only work in their own process).
struct OpenMenu {
    HMENU shown = nullptr;
    UINT defaultId = 0;
    std::vector<std::wstring> items;  // "-" for a separator
    std::vector<UINT> keys;           // pressed once the menu is read
};
OpenMenu* openMenu = nullptr;

void CALLBACK ReadOpenMenu(HWND owner, UINT, UINT_PTR id, DWORD) {
    KillTimer(owner, id);
    const HWND window = FindWindowW(L"#32768", nullptr);
    if (!window || !openMenu)
        return;
    auto& m = *openMenu;
    m.shown = reinterpret_cast<HMENU>(SendMessageW(window, 0x01E1, 0, 0));  // MN_GETHMENU
    m.defaultId = GetMenuDefaultItem(m.shown, FALSE, 0);
    for (int i = 0; i < GetMenuItemCount(m.shown); ++i) {
        wchar_t text[64] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 64;
        GetMenuItemInfoW(m.shown, static_cast<UINT>(i), TRUE, &info);
        m.items.push_back(info.fType & MFT_SEPARATOR ? L"-" : text);
    }
    for (UINT key : m.keys) {
        PostMessageW(owner, WM_KEYDOWN, key, 1);
        if (key == VK_RETURN)
            PostMessageW(owner, WM_CHAR, L'\r', 1);
    }
}

}  // namespace

void TrayMenuAndIcons() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    using Items = std::vector<std::wstring>;
    struct Case {
        const char* name;
        std::vector<UINT> keys;
        std::vector<std::string> calls;
    };
    const Case cases[] = {
        {"Escape runs nothing", {VK_ESCAPE}, {}},
        {"first item", {VK_DOWN, VK_RETURN}, {"MenuClick 40001"}},
        {"second item", {VK_DOWN, VK_DOWN, VK_RETURN}, {"MenuClick 40002"}},
        {"third item", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, {"MenuClick 40003"}},
        {"last item", {VK_UP, VK_RETURN}, {"MenuClick 40005"}},
    };
    for (const auto& c : cases) {
        currentCase = c.name;
        MainWindow window(instance);
        CHECK(window.Create());
        RecordedEvents events;
        window.Attach(&events);
        TrayMenu menu(window);
        OpenMenu open;
        open.keys = c.keys;
        openMenu = &open;
        SetTimer(window.hwnd(), 1, 100, ReadOpenMenu);
        menu.PopupMenu(platform::MenuItem::mnuSettings);
        openMenu = nullptr;
        CHECK(open.shown == menu.handle());
        CHECK(open.defaultId == IDM_SETTINGS);  // drawn bold
        CHECK(open.items == (Items{L"Settings", L"Disable", L"About", L"-", L"Exit"}));
        CHECK(events.calls == c.calls);  // the command ran before the call returned
        MSG null{};
        CHECK(PeekMessageW(&null, window.hwnd(), WM_NULL, WM_NULL, PM_REMOVE));
        window.Attach(nullptr);
        window.Unload();
        QuitPosted();
    }

    currentCase = "captions";
    MainWindow window(instance);
    CHECK(window.Create());
    RecordedEvents events;
    window.Attach(&events);
    TrayMenu menu(window);
    CHECK(menu.SetCaption(platform::MenuItem::mnuDisable, L"Enable"));
    CHECK(menu.Caption(platform::MenuItem::mnuDisable) == std::optional<std::wstring>(L"Enable"));
    CHECK(menu.Caption(platform::MenuItem::mnuExit) == std::optional<std::wstring>(L"Exit"));
    CHECK(GetMenuItemCount(menu.handle()) == 5);

    currentCase = "window icons";
    const HWND hwnd = window.hwnd();
    const auto designIcon = window.Icon();
    window.SetWindowIcon(platform::WindowPicture::imgDisabled);
    const auto bigDisabled = SendMessageW(hwnd, WM_GETICON, ICON_BIG, 0);
    const auto smallDisabled = SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0);
    CHECK(bigDisabled && smallDisabled && bigDisabled != smallDisabled);
    CHECK(window.Icon() == static_cast<std::uintptr_t>(smallDisabled));  // what the tray gets
    window.SetWindowIcon(platform::WindowPicture::imgEnabled);
    const auto smallEnabled = SendMessageW(hwnd, WM_GETICON, ICON_SMALL, 0);
    CHECK(smallEnabled && smallEnabled != smallDisabled);
    CHECK(window.Icon() == static_cast<std::uintptr_t>(smallEnabled));
    CHECK(designIcon != 0);

    currentCase = "taskbar re-created";
    SendMessageW(hwnd, RegisterWindowMessageW(L"TaskbarCreated"), 0, 0);
    CHECK(events.calls == std::vector<std::string>{"TaskbarCreated"});

    currentCase = "Done focused at every showing";
    window.Show();
    SetForegroundWindow(hwnd);
    Pump();
    CHECK(GetFocus() == GetDlgItem(hwnd, IDC_CMDDONE));
    SetFocus(GetDlgItem(hwnd, IDC_LSTSAFE));
    window.Hide();  // as the close box does
    window.Show();
    SetForegroundWindow(hwnd);
    Pump();
    CHECK(GetFocus() == GetDlgItem(hwnd, IDC_CMDDONE));
    window.Attach(nullptr);
    window.Unload();
    QuitPosted();
}

}  // namespace shutterling::win32::test
