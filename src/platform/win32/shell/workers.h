// The workers: one queue of jobs, and threads of the multithreaded apartment
// that come as the jobs need them and go when idle (DESIGN.md says why not the
// system's thread pool).
#pragma once

#include <deque>
#include <functional>

#include "platform/win32/system/application.h"
#include "platform/win32/system/locked.h"

namespace shutterling::win32 {

class Workers {
  public:
    // Runs job on an idle worker, or on a new one when none is idle; false
    // when no thread can be started. There is no cap: a thread stuck in a call
    // to an answerer that does not answer is never a reason to refuse a job.
    bool Start(std::function<void()> job);

  private:
    static DWORD WINAPI Main(void* self);
    std::function<void()> Next();

    Lock lock_;
    std::deque<std::function<void()>> jobs_;
    int idle_ = 0;
    // One count per job handed to the idle workers; a worker that finds none
    // left (another took it first) waits again.
    UniqueHandle wake_{CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr)};
};

}  // namespace shutterling::win32
