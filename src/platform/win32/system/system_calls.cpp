#include "platform/win32/system/system_calls.h"

#include <windows.h>

namespace shutterling::win32 {

// The length the judgment promises the shell; the same on 32 and 64 bits.
static_assert(sizeof(WINDOWPLACEMENT) == platform::kWindowPlacementLength);

std::int16_t SystemImpl::GetKeyState(int virtualKey) {
    return static_cast<std::int16_t>(::GetKeyState(virtualKey));
}

std::optional<platform::Rect> SystemImpl::GetWindowPlacement(platform::WindowHandle hwnd) {
    WINDOWPLACEMENT placement{};
    placement.length = platform::kWindowPlacementLength;
    if (!::GetWindowPlacement(reinterpret_cast<HWND>(hwnd), &placement))
        return std::nullopt;
    const RECT& r = placement.rcNormalPosition;
    return platform::Rect{r.left, r.top, r.right, r.bottom};
}

bool SystemImpl::PostMessageA(platform::WindowHandle hwnd, std::uint32_t msg, std::uintptr_t wParam,
                              std::intptr_t lParam) {
    return ::PostMessageA(reinterpret_cast<HWND>(hwnd), msg, static_cast<WPARAM>(wParam),
                          static_cast<LPARAM>(lParam)) != FALSE;
}

void SystemImpl::Beep(std::uint32_t frequency, std::uint32_t duration) {
    ::Beep(frequency, duration);
}

namespace {

// Internet Explorer 7 and later give each tab a child window of this class
// (under a "Frame Tab" window from version 8); version 6 has none.
BOOL CALLBACK CountTabWindow(HWND child, LPARAM count) {
    wchar_t name[16];
    if (GetClassNameW(child, name, 16) && lstrcmpW(name, L"TabWindowClass") == 0)
        ++*reinterpret_cast<int*>(count);
    return TRUE;
}

}  // namespace

std::optional<int> SystemImpl::CountTabWindows(platform::WindowHandle frame) {
    const auto hwnd = reinterpret_cast<HWND>(frame);
    if (!IsWindow(hwnd))
        return std::nullopt;
    int tabs = 0;
    EnumChildWindows(hwnd, CountTabWindow, reinterpret_cast<LPARAM>(&tabs));
    return tabs;
}

void SystemImpl::SetForegroundWindow(platform::WindowHandle hwnd) {
    ::SetForegroundWindow(reinterpret_cast<HWND>(hwnd));
}

}  // namespace shutterling::win32
