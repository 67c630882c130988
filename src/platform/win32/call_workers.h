// The worker threads that make the calls of RemoteCalls, and the state they
// share with it. Only remote_calls.cpp and call_workers.cpp see this.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/win32/application.h"
#include "platform/win32/locked.h"
#include "platform/win32/remote_calls.h"

namespace shutterling::win32 {

struct Worker;

struct Task {
    std::function<void(DWORD)> call;
    DWORD deadline = 0;
    Answerer who = kShell;
    UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    bool finished = false;   // guarded by the state's lock, as is the flag below
    bool abandoned = false;  // its waiter gave up: its answerer counts as not answering
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
    UniqueHandle stopEvent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    DWORD uiThread = GetCurrentThreadId();
    HWND window = nullptr;

    bool NotAnswering(Answerer who) const;  // with the lock held
};

// Runs the task on an idle or a new worker. Once every worker is taken, work
// that nobody waits for is queued for the next free one; a call is not made.
bool StartTask(RemoteCalls::State& state, std::shared_ptr<Task> task, bool queue);

// Joins the multithreaded apartment on a thread of its own, for good.
void StartKeeper();

bool OnWorkerThread();

}  // namespace shutterling::win32
