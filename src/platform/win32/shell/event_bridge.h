// The bridge that brings the shell's events to the user-interface thread.
#pragma once

#include <functional>

#include "platform/win32/system/application.h"

namespace shutterling::win32 {

// A message-only window of the user-interface thread. An event arrives on a
// thread of the multithreaded apartment, which posts it to the window and
// waits, so the shell waits for the handler as before, and the handler runs
// wherever that thread dispatches posted messages, as the apartment used to
// let incoming calls in.
class EventBridge {
  public:
    EventBridge();  // on the user-interface thread
    // Runs work on the user-interface thread and waits until it returned or
    // stop is set; on that thread itself, runs it directly. Nothing runs once
    // stop is set.
    void Run(std::function<void()> work, HANDLE stop);

  private:
    DWORD thread_ = GetCurrentThreadId();
    HWND window_ = nullptr;
};

}  // namespace shutterling::win32
