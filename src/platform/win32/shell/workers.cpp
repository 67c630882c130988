// The workers: the queue, and the threads that take its jobs.
#include "platform/win32/shell/workers.h"

#include <objbase.h>

namespace shutterling::win32 {
namespace {

// An idle worker leaves after this, unless it is the last idle one.
constexpr DWORD kIdleMs = 10000;
// A call and its marshaling need little stack; the default megabyte would
// fill a 32-bit address space with the threads of browsers that hang.
constexpr SIZE_T kStackBytes = 128 * 1024;

}  // namespace

bool Workers::Start(std::function<void()> job) {
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
    if (UniqueHandle(CreateThread(nullptr, kStackBytes, Main, this,
                                  STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)))
        return true;
    jobs_.pop_back();
    return false;
}

// A worker's next job; empty when the worker is to leave.
std::function<void()> Workers::Next() {
    lock_.lock();
    while (jobs_.empty()) {
        // The apartment, and every proxy in it, goes away with its last
        // thread: the last idle worker stays, and sleeps until work comes.
        const DWORD wait = ++idle_ > 1 ? kIdleMs : INFINITE;
        lock_.unlock();
        const bool woke = WaitForSingleObject(wake_.get(), wait) == WAIT_OBJECT_0;
        lock_.lock();
        --idle_;
        if (!woke && jobs_.empty() && idle_ > 0) {
            lock_.unlock();
            return nullptr;
        }
    }
    auto job = std::move(jobs_.front());
    jobs_.pop_front();
    lock_.unlock();
    return job;
}

DWORD WINAPI Workers::Main(void* self) {
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

}  // namespace shutterling::win32
