// The worker threads that make the calls of RemoteCalls, and the state they
// share with it. Only remote_calls.cpp and call_workers.cpp see this.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/win32/remote_calls.h"

namespace shutterling::win32 {

class Locked {
  public:
    explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    SRWLOCK& lock_;
};

struct Task {
    std::function<void(DWORD)> call;
    DWORD deadline = 0;
    Answerer who = kShell;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    bool finished = false;  // guarded by the state's lock, as are the two below
    bool abandoned = false;
    bool blamed = false;  // its answerer was marked as not answering
    ~Task() {
        if (done)
            CloseHandle(done);
    }
};

struct Worker {
    HANDLE wake = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    std::shared_ptr<Task> task;
};

struct RemoteCalls::State {
    SRWLOCK lock = SRWLOCK_INIT;
    std::vector<Worker*> idle;
    std::vector<std::shared_ptr<Task>> queued;  // posted work waiting for a worker, oldest first
    int active = 0;  // tasks started or queued and not yet done, the abandoned ones left out
    int workers = 0;
    std::vector<Answerer> notAnswering;  // once for each call still out
    // Releases kept back until their window answers again.
    std::vector<std::pair<Answerer, IUnknown*>> deferred;
    bool stopped = false;
    HANDLE stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD uiThread = GetCurrentThreadId();
    HWND window = nullptr;
};

// The state the workers use; set once, by the one RemoteCalls.
void SetWorkerState(RemoteCalls::State* state);

// Runs the task on an idle or a new worker. Once every worker is taken, work
// that nobody waits for is queued for the next free one; a call is not made.
bool StartTask(RemoteCalls::State& state, std::shared_ptr<Task> task, bool queue);

// Joins the multithreaded apartment on a thread of its own, for good.
void StartKeeper();

bool OnWorkerThread();

}  // namespace shutterling::win32
