// Shell_NotifyIconA and the replacement window procedure of the main window.
#pragma once

#include <windows.h>

#include <shellapi.h>

#include "platform/tray.h"

namespace shutterling::win32 {

class TrayImpl final : public platform::Tray {
  public:
    void ShellNotifyIcon(platform::TrayOp op, const platform::TrayRecord& record) override;
    std::intptr_t InstallTrayWndProc(platform::WindowHandle hwnd) override;
    void RestoreWndProc(platform::WindowHandle hwnd, std::intptr_t previous) override;
    std::intptr_t CallWindowProcA(std::intptr_t proc, platform::WindowHandle hwnd,
                                  std::uint32_t msg, std::uintptr_t wParam,
                                  std::intptr_t lParam) override;
};

// The record as the shell reads it. The core sizes it for 32-bit Windows; a
// 64-bit build sends the same first-version fields at their own size.
NOTIFYICONDATAA ToNotifyIconData(const platform::TrayRecord& record);

// The main window's procedure while the hook is in place: a trampoline into
// the core's TrayWndProc.
LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;

}  // namespace shutterling::win32
