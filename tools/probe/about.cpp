// The About window: how many there are, and its shape as a person sees it.
#include "probe.h"

#include <cstdlib>

#include "ui/control_ids.h"

namespace probe {
namespace {

// One line: caption, caption buttons and border, taskbar and owner, focus,
// whether it sits at the centre of the screen, and its client size in pixels.
int AboutShape(HWND about) {
    const LONG style = GetWindowLongW(about, GWL_STYLE);
    const LONG ex = GetWindowLongW(about, GWL_EXSTYLE);
    const HWND owner = GetWindow(about, GW_OWNER);
    const wchar_t* ownerText = !owner                   ? L"none"
                               : owner == MainWindow()  ? L"main"
                               : IsWindowVisible(owner) ? L"visible"
                                                        : L"hidden";
    const HWND focused = FocusIn(GetWindowThreadProcessId(about, nullptr)).value_or(nullptr);
    const wchar_t* focus = L"none";
    if (focused) {
        const int id = GetDlgCtrlID(focused);
        focus = focused == about                      ? L"window"
                : id >= IDC_CMDOK && id <= IDC_LABEL4 ? ControlName(id)
                                                      : L"other";
    }
    RECT r{}, client{};
    GetWindowRect(about, &r);
    GetClientRect(about, &client);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(about, MONITOR_DEFAULTTOPRIMARY), &mi);
    const bool centred = std::abs((r.left + r.right) - (mi.rcWork.left + mi.rcWork.right)) <= 2 &&
                         std::abs((r.top + r.bottom) - (mi.rcWork.top + mi.rcWork.bottom)) <= 2;
    wchar_t caption[64] = {};
    GetWindowTextW(about, caption, 64);
    auto yes = [](bool b) { return b ? L"yes" : L"no"; };
    Print(std::wstring(L"caption=") + caption + L" close=" + yes(style & WS_SYSMENU) +
          L" minimize=" + yes(style & WS_MINIMIZEBOX) + L" maximize=" +
          yes(style & WS_MAXIMIZEBOX) + L" sizable=" + yes(style & WS_THICKFRAME) + L" appwindow=" +
          yes(ex & WS_EX_APPWINDOW) + L" owner=" + ownerText + L" visible=" +
          yes(IsWindowVisible(about)) + L" focus=" + focus + L" centred=" + yes(centred) +
          L" client=" + std::to_wstring(client.right) + L"x" + std::to_wstring(client.bottom));
    return 0;
}

}  // namespace

Result AboutCountCommand(const Command& c) {
    if (!c.about || c.Name() != L"count")
        return std::nullopt;
    Print(std::to_wstring(CountWindows(SHUTTERLING_ABOUT_CLASS)));
    return 0;
}

Result AboutShapeCommand(const Command& c) {
    if (!c.about || c.Name() != L"shape")
        return std::nullopt;
    return AboutShape(c.window);
}

}  // namespace probe
