// The About window: shape, controls and fonts, the links, the keys, and its
// life alongside and after the main window.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/system/application.h"
#include "platform/win32/windows/about_window.h"
#include "platform/win32/windows/layout.h"
#include "platform_test.h"
#include "shutterling_res.h"

namespace shutterling::win32::test {

namespace {

class RecordedAbout final : public platform::AboutEvents {
  public:
    std::vector<std::string> calls;
    void Form_Load() override { calls.push_back("Form_Load"); }
    void cmdOK_Click() override { calls.push_back("cmdOK_Click"); }
    void lblURL_Click() override { calls.push_back("lblURL_Click"); }
    void lblContact_Click() override { calls.push_back("lblContact_Click"); }
};

}  // namespace

void AboutWindowAndLifetime() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    MainWindow main(instance);
    CHECK(main.Create());
    AboutWindow about(instance);
    RecordedAbout events;

    currentCase = "about load";
    CHECK(!about.IsLoaded());
    CHECK(about.Load(events));
    CHECK(events.calls == std::vector<std::string>{"Form_Load"});
    const HWND hwnd = about.hwnd();
    CHECK(hwnd && !IsWindowVisible(hwnd) && about.IsLoaded());

    currentCase = "about shape";
    const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
    CHECK((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU));
    CHECK(!(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)));
    CHECK(!(GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW));
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    CHECK(owner && owner != main.hwnd() && !IsWindowVisible(owner));  // no taskbar button
    const int dpi = WindowDpi(hwnd);
    RECT client;
    GetClientRect(hwnd, &client);
    CHECK(client.right == TwipsToPixels(kAboutClientWidth, dpi));
    CHECK(client.bottom == TwipsToPixels(kAboutClientHeight, dpi));
    CHECK(GetClassLongPtrW(hwnd, GCLP_HICON) != 0);

    currentCase = "about controls";
    HWND previous = nullptr;
    for (const auto& c : kAboutLayout) {
        const HWND control = GetDlgItem(hwnd, c.id);
        CHECK(control != nullptr);
        if (!control)
            continue;
        wchar_t cls[16] = {};
        GetClassNameW(control, cls, 16);
        CHECK(_wcsicmp(cls, c.kind == ControlKind::Button ? L"Button" : L"Static") == 0);
        RECT r;
        GetWindowRect(control, &r);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        CHECK(r.left == TwipsToPixels(c.left, dpi) && r.top == TwipsToPixels(c.top, dpi));
        CHECK(r.right == TwipsToPixels(c.left + c.width, dpi));
        CHECK(r.bottom == TwipsToPixels(c.top + c.height, dpi));
        // Created in tab order, and only OK takes the focus.
        CHECK(GetWindow(control, GW_HWNDPREV) == previous);
        previous = control;
        CHECK(((GetWindowLongW(control, GWL_STYLE) & WS_TABSTOP) != 0) == (c.id == IDC_CMDOK));
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)), sizeof(font),
                   &font);
        if (c.kind == ControlKind::Link) {
            CHECK(std::wstring(font.lfFaceName) == L"MS Sans Serif");
            CHECK(font.lfUnderline && font.lfWeight == FW_NORMAL);
            CHECK(font.lfCharSet == ANSI_CHARSET && font.lfHeight == -MulDiv(825, dpi, 7200));
        } else {
            CHECK(std::wstring(font.lfFaceName) == L"MS Shell Dlg" && !font.lfUnderline);
        }
    }
    CHECK(about.lblURL().SetCaption(L"http://www.example.org/"));
    CHECK(about.lblURL().Caption() == std::optional<std::wstring>(L"http://www.example.org/"));

    currentCase = "about links: colour and pointer";
    const HWND url = GetDlgItem(hwnd, IDC_LBLURL);
    const HWND title = GetDlgItem(hwnd, IDC_LBLTITLE);
    const std::uintptr_t hand = about.imgHand().Picture();
    CHECK(hand != 0);
    CHECK(about.lblURL().SetMouseIcon(hand));
    const HDC dc = GetDC(url);
    SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(url));
    CHECK(GetTextColor(dc) == RGB(0, 0, 192));
    SetTextColor(dc, RGB(0, 0, 0));
    SendMessageW(hwnd, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                 reinterpret_cast<LPARAM>(title));
    CHECK(GetTextColor(dc) != RGB(0, 0, 192));
    ReleaseDC(url, dc);
    CHECK(SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(url),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) == TRUE);
    CHECK(reinterpret_cast<std::uintptr_t>(GetCursor()) == hand);
    CHECK(SendMessageW(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(title),
                       MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)) != TRUE ||
          reinterpret_cast<std::uintptr_t>(GetCursor()) != hand);

    currentCase = "about shown";
    about.Show();
    CHECK(IsWindowVisible(hwnd));
    CHECK(GetFocus() == GetDlgItem(hwnd, IDC_CMDOK));
    CHECK(CentredOnWorkArea(hwnd));

    // What reaches the object behind the window; the window stays (the
    // object here does not unload it).
    struct Input {
        const char* name;
        std::function<void()> send;
        const char* event;
    };
    const HWND ok = GetDlgItem(hwnd, IDC_CMDOK);
    auto key = [ok](WPARAM vk) {
        MSG msg{ok, WM_KEYDOWN, vk, 1, 0, {}};
        CHECK(PreTranslateFormMessage(msg));
    };
    const Input inputs[] = {
        {"Enter", [&] { key(VK_RETURN); }, "cmdOK_Click"},
        {"Esc", [&] { key(VK_ESCAPE); }, "cmdOK_Click"},
        {"OK clicked", [&] { SendMessageW(ok, BM_CLICK, 0, 0); }, "cmdOK_Click"},
        {"URL clicked", [&] { SendMessageW(url, WM_LBUTTONDOWN, MK_LBUTTON, 0); }, "lblURL_Click"},
        {"mail clicked",
         [&] { SendMessageW(GetDlgItem(hwnd, IDC_LBLCONTACT), WM_LBUTTONDOWN, MK_LBUTTON, 0); },
         "lblContact_Click"},
    };
    for (const auto& input : inputs) {
        currentCase = input.name;
        events.calls.clear();
        input.send();
        CHECK(events.calls == std::vector<std::string>{input.event});
        CHECK(about.IsLoaded());
    }

    currentCase = "About outlives the main window; the last window ends the loop";
    main.Unload();
    CHECK(!main.hwnd());
    CHECK(!QuitPosted());
    CHECK(about.IsLoaded() && IsWindowVisible(hwnd));
    events.calls.clear();
    SendMessageW(hwnd, WM_CLOSE, 0, 0);  // the close box
    CHECK(!about.IsLoaded() && !IsWindow(hwnd) && !IsWindow(owner));
    CHECK(events.calls.empty());
    CHECK(QuitPosted());

    currentCase = "about loads anew";
    CHECK(about.Load(events));
    CHECK(events.calls == std::vector<std::string>{"Form_Load"});
    CHECK(about.hwnd() != nullptr);
    about.Unload();
    CHECK(!about.IsLoaded());
    QuitPosted();
}

}  // namespace shutterling::win32::test
