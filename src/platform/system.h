// Key state, window placement, posting a message, the beep and the foreground
// window: the plain user32 and kernel32 calls of the judgment and the tray.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/shell.h"

namespace shutterling::platform {

inline constexpr int kVkControl = 17;
inline constexpr std::uint32_t kWmClose = 16;
inline constexpr std::uint32_t kWindowPlacementLength = 44;

struct Rect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class System {
  public:
    virtual ~System() = default;
    virtual std::int16_t GetKeyState(int virtualKey) = 0;
    // rcNormalPosition of the window, read with a WINDOWPLACEMENT whose
    // length field is kWindowPlacementLength; empty when the read fails.
    virtual std::optional<Rect> GetWindowPlacement(WindowHandle hwnd) = 0;
    // False when the message could not be posted (the window is gone).
    virtual bool PostMessageA(WindowHandle hwnd, std::uint32_t msg, std::uintptr_t wParam,
                              std::intptr_t lParam) = 0;
    virtual void Beep(std::uint32_t frequency, std::uint32_t duration) = 0;
    // How many tab windows the browser frame holds, read from the system's
    // window tree (no call to the browser); empty when it cannot be read.
    virtual std::optional<int> CountTabWindows(WindowHandle frame) = 0;
    virtual void SetForegroundWindow(WindowHandle hwnd) = 0;
};

}  // namespace shutterling::platform
