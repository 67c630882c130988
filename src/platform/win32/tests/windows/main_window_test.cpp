// The settings window: its shape, the causes that close or hide it, what
// reaches the object behind it, and the limits of its controls.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/win32/windows/layout.h"
#include "platform_test.h"
#include "shutterling_res.h"

namespace shutterling::win32::test {

void WindowAndCloseCauses() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    using Calls = std::vector<std::string>;

    currentCase = "shape";
    {
        MainWindow window(instance);
        CHECK(window.Create());
        const HWND hwnd = window.hwnd();
        const LONG style = GetWindowLongW(hwnd, GWL_STYLE);
        CHECK((style & WS_CAPTION) == WS_CAPTION && (style & WS_SYSMENU));
        CHECK(!(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME)));
        CHECK(!IsWindowVisible(hwnd));
        CHECK(GetAncestor(hwnd, GA_PARENT) == GetDesktopWindow());  // not message-only
        RECT client;
        GetClientRect(hwnd, &client);
        const int dpi = WindowDpi(hwnd);
        CHECK(client.right == TwipsToPixels(kMainClientWidth, dpi));
        CHECK(client.bottom == TwipsToPixels(kMainClientHeight, dpi));
        CHECK(window.Icon() != 0);
        for (const auto& control : kMainLayout)
            CHECK(GetDlgItem(hwnd, control.id) != nullptr);

        currentCase = "centred once";
        window.Show();
        CHECK(IsWindowVisible(hwnd));
        CHECK(CentredOnWorkArea(hwnd));
        RECT r;
        SetWindowPos(hwnd, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        window.Hide();
        CHECK(!IsWindowVisible(hwnd));
        window.Show();
        GetWindowRect(hwnd, &r);
        CHECK(r.left == 10 && r.top == 20);
        window.Unload();
        CHECK(!window.hwnd());
        CHECK(QuitPosted());  // it was the program's last window
    }

    struct Case {
        const char* name;
        std::function<void(MainWindow&)> act;
        std::int16_t refuse;
        Calls expected;
        bool destroyed;
    };
    const Case cases[] = {
        {"close box hides",
         [](MainWindow& w) { SendMessageW(w.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0); },
         0,
         {"QueryUnload 0"},
         false},
        {"WM_CLOSE from outside",
         [](MainWindow& w) {
             PostMessageW(w.hwnd(), WM_CLOSE, 0, 0);
             Pump();
         },
         -1,
         {"QueryUnload 3", "Unload"},
         true},
        {"Unload from code",
         [](MainWindow& w) { w.Unload(); },
         -1,
         {"QueryUnload 1", "Unload"},
         true},
        {"Unload refused", [](MainWindow& w) { w.Unload(); }, 1, {"QueryUnload 1"}, false},
        {"end of session",
         [](MainWindow& w) {
             CHECK(SendMessageW(w.hwnd(), WM_QUERYENDSESSION, 0, 0) == TRUE);
             SendMessageW(w.hwnd(), WM_ENDSESSION, TRUE, 0);
         },
         -1,
         {"QueryUnload 2", "Unload"},
         true},
        {"end of session refused",
         [](MainWindow& w) {
             CHECK(SendMessageW(w.hwnd(), WM_QUERYENDSESSION, 0, 0) == FALSE);
             SendMessageW(w.hwnd(), WM_ENDSESSION, FALSE, 0);
         },
         2,
         {"QueryUnload 2"},
         false},
        {"first paint",
         [](MainWindow& w) {
             w.Show();
             UpdateWindow(w.hwnd());
             Pump();
         },
         -1,
         {"Paint"},
         false},
        {"Done clicked, lists double-clicked; single clicks do nothing",
         [](MainWindow& w) {
             SendMessageW(GetDlgItem(w.hwnd(), IDC_CMDDONE), BM_CLICK, 0, 0);
             for (int id : {IDC_LSTPOPUPS, IDC_LSTSAFE}) {
                 const HWND list = GetDlgItem(w.hwnd(), id);
                 SendMessageW(w.hwnd(), WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE),
                              reinterpret_cast<LPARAM>(list));
                 SendMessageW(w.hwnd(), WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK),
                              reinterpret_cast<LPARAM>(list));
             }
         },
         -1,
         {"DoneClick", "PopupsDblClick", "SafeDblClick"},
         false},
    };
    for (const auto& c : cases) {
        currentCase = c.name;
        MainWindow window(instance);
        CHECK(window.Create());
        RecordedEvents events;
        events.refuseMode = c.refuse;
        events.hideOnPaint = &window;
        window.Attach(&events);
        c.act(window);
        CHECK(events.calls == c.expected);
        CHECK((window.hwnd() == nullptr) == c.destroyed);
        if (window.hwnd())
            CHECK(!IsWindowVisible(window.hwnd()));
        window.Attach(nullptr);
        window.Unload();
        QuitPosted();
    }
}

void Controls() {
    MainWindow window(GetModuleHandleW(nullptr));
    CHECK(window.Create());

    currentCase = "list box";
    auto& list = window.lstSafe;
    CHECK(list.ListCount() == std::optional<std::int16_t>(0));
    CHECK(list.ListIndex() == std::optional<std::int16_t>(-1));
    CHECK(list.AddItem(L"zeta") && list.AddItem(L"") && list.AddItem(L"alpha "));
    CHECK(list.List(0) == std::optional<std::wstring>(L"zeta"));  // kept in order, not sorted
    CHECK(list.List(1) == std::optional<std::wstring>(L""));
    CHECK(list.List(2) == std::optional<std::wstring>(L"alpha "));
    CHECK(!list.List(3) && !list.List(-1));
    SendMessageW(GetDlgItem(window.hwnd(), IDC_LSTSAFE), LB_SETCURSEL, 2, 0);
    CHECK(list.ListIndex() == std::optional<std::int16_t>(2));
    CHECK(list.RemoveItem(0));
    CHECK(list.List(0) == std::optional<std::wstring>(L""));
    CHECK(!list.RemoveItem(5) && !list.RemoveItem(-1));
    CHECK(list.ListCount() == std::optional<std::int16_t>(2));

    currentCase = "list box limit";
    auto& popups = window.lstPopups;
    const HWND popupsHwnd = GetDlgItem(window.hwnd(), IDC_LSTPOPUPS);
    SendMessageW(popupsHwnd, WM_SETREDRAW, FALSE, 0);
    for (int i = 0; i < platform::kListMax - 1; ++i) {
        SendMessageW(popupsHwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"x"));
    }
    CHECK(popups.AddItem(L"last"));
    CHECK(popups.ListCount() == std::optional<std::int16_t>(platform::kListMax));
    CHECK(!popups.AddItem(L"one too many"));
    CHECK(popups.ListCount() == std::optional<std::int16_t>(platform::kListMax));
    CHECK(popups.List(platform::kListMax - 1) == std::optional<std::wstring>(L"last"));

    currentCase = "check box values";
    auto& box = window.chkBeep;
    for (std::int16_t v : {0, 1, 2, 0}) {
        CHECK(box.SetValue(v));
        CHECK(box.Value() == std::optional<std::int16_t>(v));
    }
    CHECK(box.SetValue(1));
    for (std::int16_t v : {-1, 3, 255}) {
        CHECK(!box.SetValue(v));
        CHECK(box.Value() == std::optional<std::int16_t>(1));
    }

    currentCase = "check box clicks";
    struct Click {
        std::int16_t from, to;
    };
    for (const Click c : {Click{0, 1}, Click{1, 0}, Click{2, 1}}) {
        for (int id : {IDC_CHKBEEP, IDC_CHKRESET, IDC_CHKWINDOWSTARTUP}) {
            const HWND hwnd = GetDlgItem(window.hwnd(), id);
            SendMessageW(hwnd, BM_SETCHECK, static_cast<WPARAM>(c.from), 0);
            SendMessageW(window.hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(hwnd));
            CHECK(SendMessageW(hwnd, BM_GETCHECK, 0, 0) == c.to);
        }
    }

    currentCase = "label";
    CHECK(window.lblCounter.SetCaption(L"42 Popups blocked till now"));
    CHECK(window.lblCounter.Caption() ==
          std::optional<std::wstring>(L"42 Popups blocked till now"));
    CHECK(window.lblCounter.SetCaption(L""));
    CHECK(window.lblCounter.Caption() == std::optional<std::wstring>(L""));

    currentCase = "after the window is gone";
    window.Unload();
    QuitPosted();
    CHECK(!list.ListCount() && !list.List(0) && !list.ListIndex() && !list.AddItem(L"x"));
    CHECK(!box.Value() && !box.SetValue(0));
    CHECK(!window.lblCounter.Caption() && !window.lblCounter.SetCaption(L"x"));
    CHECK(window.Handle() == 0 && window.Icon() == 0);
}

}  // namespace shutterling::win32::test
