// The shell's collection of browser windows, joined and subscribed to.
#pragma once

#include "platform/shell.h"
#include "platform/win32/shell/remote_calls.h"

namespace shutterling::win32 {

class ShellAutomationImpl final : public platform::ShellAutomation {
  public:
    std::shared_ptr<platform::ShellWindows> CreateShellWindows(
        WindowRegisteredHandler handler) override;

  private:
    // Who answers the shell's calls: a shell that was joined and then
    // restarted is another answerer than the one that hung or died. Tries
    // that fail stay with one, so a shell that does not answer costs one wait.
    Answerer shell_ = kShell;
};

}  // namespace shutterling::win32
