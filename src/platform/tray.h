// The notification-area icon and the hook on the main window's procedure.
#pragma once

#include <array>
#include <cstdint>

#include "platform/shell.h"

namespace shutterling::platform {

// NOTIFYICONDATAA as the program fills it (88 bytes on 32-bit Windows).
struct TrayRecord {
    std::uint32_t cbSize = 0;
    WindowHandle hWnd = 0;
    std::uint32_t uID = 0;
    std::uint32_t uFlags = 0;
    std::uint32_t uCallbackMessage = 0;
    std::uintptr_t hIcon = 0;
    std::array<char, 64> szTip{};  // ANSI text
};

enum class TrayOp : std::uint32_t { Add = 0, Modify = 1, Delete = 2 };

class Tray {
  public:
    virtual ~Tray() = default;
    virtual void ShellNotifyIcon(TrayOp op, const TrayRecord& record) = 0;
    // SetWindowLongA(hwnd, GWL_WNDPROC, TrayWndProc); returns the previous procedure.
    virtual std::intptr_t InstallTrayWndProc(WindowHandle hwnd) = 0;
    // SetWindowLongA(hwnd, GWL_WNDPROC, previous).
    virtual void RestoreWndProc(WindowHandle hwnd, std::intptr_t previous) = 0;
    // Runs the saved procedure on a message and returns its result.
    virtual std::intptr_t CallWindowProcA(std::intptr_t proc, WindowHandle hwnd, std::uint32_t msg,
                                          std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

}  // namespace shutterling::platform
