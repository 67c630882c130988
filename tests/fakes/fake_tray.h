// The notification-area icon and the hook on the window procedure: records
// kept as sent, and a saved procedure whose results a caller must pass on.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "fakes/call_log.h"
#include "platform/tray.h"

namespace shutterling::fakes {

class FakeTray : public platform::Tray {
  public:
    explicit FakeTray(CallLog& log) : log_(log) {}
    std::vector<std::pair<platform::TrayOp, platform::TrayRecord>> calls;
    std::intptr_t previousProc = 0x7700;

    void ShellNotifyIcon(platform::TrayOp op, const platform::TrayRecord& record) override {
        log_.Add("Shell_NotifyIconA " + std::to_string(static_cast<int>(op)));
        calls.emplace_back(op, record);
    }
    std::intptr_t InstallTrayWndProc(platform::WindowHandle hwnd) override {
        log_.Add("SetWindowLongA " + std::to_string(hwnd) + " TrayWndProc");
        return previousProc;
    }
    void RestoreWndProc(platform::WindowHandle hwnd, std::intptr_t previous) override {
        log_.Add("SetWindowLongA " + std::to_string(hwnd) + " " + std::to_string(previous));
    }
    // The saved procedure's result: distinct per message, so a caller that
    // returns anything else is caught.
    static std::intptr_t ResultOf(std::uint32_t msg, std::intptr_t lParam) {
        return static_cast<std::intptr_t>(msg) * 1000 + lParam;
    }
    std::intptr_t CallWindowProcA(std::intptr_t proc, platform::WindowHandle hwnd,
                                  std::uint32_t msg, std::uintptr_t wParam,
                                  std::intptr_t lParam) override {
        log_.Add("CallWindowProcA " + std::to_string(proc) + " " + std::to_string(hwnd) + " " +
                 std::to_string(msg) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
        return ResultOf(msg, lParam);
    }

  private:
    CallLog& log_;
};

}  // namespace shutterling::fakes
