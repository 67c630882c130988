// The workers: a queue of jobs, and the threads of the multithreaded apartment that take them.
#pragma once

#include <objbase.h>

#include <deque>
#include <functional>

#include "platform/win32/system/application.h"
#include "platform/win32/system/locked.h"

namespace shutterling::win32 {

// A thread is made only when no idle one can take a job, and an idle one
// leaves after 10 s, unless it is the last: the apartment, and every proxy in
// it, goes away with its last thread. There is no cap: a thread stuck in a
// call to an answerer that does not answer is never a reason to refuse a job.
class Workers {
  public:
    // False when no thread can be started.
    bool Start(std::function<void()> job) {
        Locked hold(lock_);
        try {
            jobs_.push_back(std::move(job));
        } catch (...) {
            return false;
        }
        if (static_cast<std::size_t>(idle_) >= jobs_.size()) {
            ReleaseSemaphore(wake_.get(), 1, nullptr);
            return true;
        }
        // A call and its marshaling need little stack; the default megabyte
        // would fill a 32-bit address space with the threads of browsers that hang.
        if (UniqueHandle(CreateThread(nullptr, 128 * 1024, Main, this,
                                      STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)))
            return true;
        jobs_.pop_back();
        return false;
    }

  private:
    static constexpr DWORD kIdleMs = 10000;
    static DWORD WINAPI Main(void* self) {
        const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
        while (auto job = static_cast<Workers*>(self)->Next()) {
            try {
                job();
            } catch (...) {
                // Nothing may unwind out of a thread procedure.
            }
        }
        if (com)
            CoUninitialize();
        return 0;
    }
    // Empty when the worker is to leave.
    std::function<void()> Next() {
        Locked hold(lock_);
        while (jobs_.empty()) {
            const DWORD wait = ++idle_ > 1 ? kIdleMs : INFINITE;
            lock_.unlock();  // not held while waiting
            const bool woke = WaitForSingleObject(wake_.get(), wait) == WAIT_OBJECT_0;
            lock_.lock();
            --idle_;
            if (!woke && jobs_.empty() && idle_ > 0)
                return nullptr;
        }
        auto job = std::move(jobs_.front());
        jobs_.pop_front();
        return job;
    }

    Lock lock_;
    std::deque<std::function<void()>> jobs_;
    int idle_ = 0;
    // A count per job handed to the idle workers; one that finds none left waits again.
    UniqueHandle wake_{CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr)};
};

}  // namespace shutterling::win32
