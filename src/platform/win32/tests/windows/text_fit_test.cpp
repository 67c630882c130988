// Every caption of every window is whole: measured at the control's own font
// and word wrap against its client rectangle, at the DPI the prefix gives
// (the runner sets it; the test checks it got it).
#include <span>

#include "platform/win32/windows/about_window.h"
#include "platform/win32/windows/layout.h"
#include "platform_test.h"
#include "ui/maker.h"

namespace shutterling::win32::test {

namespace {

struct Fit {
    SIZE needs, has;
};

// line: a label's caption on one line, for growing a box that is too small.
Fit MeasureCaption(HWND control, LONG& line) {
    wchar_t text[512] = {};
    GetWindowTextW(control, text, 512);
    wchar_t cls[32] = {};
    GetClassNameW(control, cls, 32);
    const LONG style = GetWindowLongW(control, GWL_STYLE);
    RECT client{};
    GetClientRect(control, &client);
    const HDC dc = GetDC(control);
    const HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SIZE needs{};
    line = 0;
    auto measure = [&](UINT format, LONG width) {
        RECT r{0, 0, width, 0};
        DrawTextW(dc, text, -1, &r, format | DT_CALCRECT);
        return SIZE{r.right, r.bottom};
    };
    if (_wcsicmp(cls, L"Static") == 0) {
        const UINT prefix = (style & SS_NOPREFIX) ? DT_NOPREFIX : 0;
        needs = measure(DT_WORDBREAK | DT_EDITCONTROL | prefix, client.right);
        line = measure(DT_SINGLELINE | prefix, 0).cx;
    } else if ((style & BS_TYPEMASK) == BS_GROUPBOX) {
        // The caption sits in the top border, indented from both sides.
        needs = measure(DT_SINGLELINE, 0);
        needs.cx += 2 * metrics.tmAveCharWidth;
    } else if ((style & BS_TYPEMASK) == BS_PUSHBUTTON ||
               (style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
        // Inside the 3-D edges, with a pixel of margin on each side.
        needs = measure(DT_SINGLELINE, 0);
        needs.cx += 2 * GetSystemMetrics(SM_CXEDGE) + 2;
        needs.cy += 2 * GetSystemMetrics(SM_CYEDGE) + 2;
    } else {
        // Check boxes: the box (12 pixels at 96 DPI and its border), half a
        // digit's width, then the caption with a pixel of margin each side.
        const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
        INT digit = 0;
        GetCharWidthW(dc, L'0', L'0', &digit);
        needs = measure(DT_SINGLELINE, 0);
        needs.cx += 12 * dpi / 96 + 1 + digit / 2 + 2;
    }
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return {needs, {client.right, client.bottom}};
}

void CheckCaptionsFit(HWND window, std::span<const ControlLayout> layout) {
    for (const auto& control : layout) {
        const HWND hwnd = GetDlgItem(window, control.id);
        CHECK(hwnd != nullptr);
        if (!hwnd || GetWindowTextLengthW(hwnd) == 0)
            continue;
        LONG line = 0;
        const Fit fit = MeasureCaption(hwnd, line);
        const bool whole = fit.needs.cx <= fit.has.cx && fit.needs.cy <= fit.has.cy;
        std::printf("  %3d dpi, control %d: needs %ldx%ld (one line %ld), has %ldx%ld%s\n",
                    expectedDpi, control.id, fit.needs.cx, fit.needs.cy, line, fit.has.cx,
                    fit.has.cy, whole ? "" : "  CLIPPED");
        CHECK(whole);
    }
}

}  // namespace

void TextFit() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    MainWindow main(instance);
    CHECK(main.Create());
    currentCase = "the DPI of the prefix";
    CHECK(WindowDpi(main.hwnd()) == expectedDpi);

    currentCase = "settings window";
    // The longest counter a user is likely to see.
    CHECK(main.lblCounter.SetCaption(L"2147483647 Popups blocked till now"));
    CheckCaptionsFit(main.hwnd(), kMainLayout);

    currentCase = "about window";
    struct Links final : platform::AboutEvents {
        AboutWindow* about = nullptr;
        void Form_Load() override {
            about->lblURL().SetCaption(maker::kWebAddress);
            about->lblContact().SetCaption(maker::kContactAddress);
        }
        void cmdOK_Click() override {}
        void lblURL_Click() override {}
        void lblContact_Click() override {}
    } links;
    AboutWindow about(instance);
    links.about = &about;
    CHECK(about.Load(links));
    CheckCaptionsFit(about.hwnd(), kAboutLayout);
    about.Unload();
    main.Unload();
    QuitPosted();
}

}  // namespace shutterling::win32::test
