// The plain system calls as values: the Ctrl key, window placements, posted
// messages (a WM_CLOSE is remembered), beeps and the foreground window.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fakes/call_log.h"
#include "platform/system.h"

namespace shutterling::fakes {

class FakeSystem : public platform::System {
  public:
    explicit FakeSystem(CallLog& log) : log_(log) {}
    bool ctrlDown = false;
    std::map<platform::WindowHandle, std::optional<platform::Rect>> placements;
    std::vector<platform::WindowHandle> closeRequests;
    // Tab windows of each frame; a frame not listed holds one. nullopt: the
    // window tree cannot be read.
    std::map<platform::WindowHandle, std::optional<int>> tabWindows;
    int beeps = 0;
    bool postFails = false;  // every PostMessageA fails, as to a window gone

    std::int16_t GetKeyState(int virtualKey) override {
        log_.Add("GetKeyState " + std::to_string(virtualKey));
        return ctrlDown ? static_cast<std::int16_t>(0x8001) : 0;
    }
    std::optional<platform::Rect> GetWindowPlacement(platform::WindowHandle hwnd) override {
        log_.Add("GetWindowPlacement " + std::to_string(hwnd));
        auto it = placements.find(hwnd);
        if (it == placements.end())
            return std::nullopt;
        return it->second;
    }
    bool PostMessageA(platform::WindowHandle hwnd, std::uint32_t msg, std::uintptr_t wParam,
                      std::intptr_t lParam) override {
        log_.Add("PostMessageA " + std::to_string(hwnd) + " " + std::to_string(msg) + " " +
                 std::to_string(wParam) + " " + std::to_string(lParam));
        if (postFails)
            return false;
        if (msg == platform::kWmClose)
            closeRequests.push_back(hwnd);
        return true;
    }
    void Beep(std::uint32_t frequency, std::uint32_t duration) override {
        log_.Add("Beep " + std::to_string(frequency) + " " + std::to_string(duration));
        ++beeps;
    }
    std::optional<int> CountTabWindows(platform::WindowHandle frame) override {
        log_.Add("CountTabWindows " + std::to_string(frame));
        auto it = tabWindows.find(frame);
        return it == tabWindows.end() ? 1 : it->second;
    }
    void SetForegroundWindow(platform::WindowHandle hwnd) override {
        log_.Add("SetForegroundWindow " + std::to_string(hwnd));
    }

  private:
    CallLog& log_;
};

}  // namespace shutterling::fakes
