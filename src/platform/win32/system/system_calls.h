// Key state, window placement, close requests, the beep and the foreground
// window, as user32 and kernel32 give them.
#pragma once

#include "platform/system.h"

namespace shutterling::win32 {

class SystemImpl final : public platform::System {
  public:
    std::int16_t GetKeyState(int virtualKey) override;
    std::optional<platform::Rect> GetWindowPlacement(platform::WindowHandle hwnd) override;
    bool PostMessageA(platform::WindowHandle hwnd, std::uint32_t msg, std::uintptr_t wParam,
                      std::intptr_t lParam) override;
    void Beep(std::uint32_t frequency, std::uint32_t duration) override;
    std::optional<int> CountTabWindows(platform::WindowHandle frame) override;
    void SetForegroundWindow(platform::WindowHandle hwnd) override;
};

}  // namespace shutterling::win32
