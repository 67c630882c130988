#include "platform/win32/call_workers.h"

#include <objbase.h>

#include <algorithm>

namespace shutterling::win32 {
namespace {

// Nested waits each need a worker of their own; a few stay idle between calls.
constexpr int kMaxWorkers = 32;
constexpr std::size_t kMaxIdle = 4;
// A call and its marshaling need little stack; the default megabyte each
// would reserve up to 32 MB of a 32-bit address space for the workers.
constexpr SIZE_T kStackBytes = 128 * 1024;

thread_local bool onWorker = false;
RemoteCalls::State* theState = nullptr;

DWORD WINAPI WorkerMain(void* param) {
    auto* worker = static_cast<Worker*>(param);
    auto& state = *theState;
    onWorker = true;
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    std::shared_ptr<Task> next;
    for (;;) {
        if (!next) {
            WaitForSingleObject(worker->wake, INFINITE);
            Locked lock(state.lock);
            next = std::move(worker->task);
        }
        auto task = std::move(next);
        if (task && task->call) {
            try {
                task->call(task->deadline);
            } catch (...) {
                // Nothing may unwind out of a thread procedure.
            }
        }
        if (task) {
            std::vector<IUnknown*> released;
            {
                Locked lock(state.lock);
                task->finished = true;
                if (!task->abandoned)
                    --state.active;
                if (task->blamed) {
                    auto& out = state.notAnswering;
                    out.erase(std::find(out.begin(), out.end(), task->who));
                    if (std::find(out.begin(), out.end(), task->who) == out.end()) {
                        auto& kept = state.deferred;
                        for (const auto& [who, object] : kept) {
                            if (who == task->who)
                                released.push_back(object);
                        }
                        kept.erase(
                            std::remove_if(kept.begin(), kept.end(),
                                           [&](const auto& d) { return d.first == task->who; }),
                            kept.end());
                    }
                }
            }
            SetEvent(task->done);
            for (IUnknown* object : released)
                object->Release();
            // The call's own references go here, on this thread, never on the
            // user-interface thread.
            task->call = nullptr;
            task.reset();
        }
        Locked lock(state.lock);
        if (!state.queued.empty()) {
            next = std::move(state.queued.front());
            state.queued.erase(state.queued.begin());
            continue;
        }
        if (state.idle.size() >= kMaxIdle)
            break;
        state.idle.push_back(worker);
    }
    {
        Locked lock(state.lock);
        --state.workers;
    }
    CloseHandle(worker->wake);
    delete worker;
    if (com)
        CoUninitialize();
    return 0;
}

// Keeps the multithreaded apartment, and every proxy in it, alive while no
// worker is: the apartment goes away with its last thread.
DWORD WINAPI KeeperMain(void* ready) {
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    SetEvent(static_cast<HANDLE>(ready));
    Sleep(INFINITE);
    return 0;
}

}  // namespace

void SetWorkerState(RemoteCalls::State* state) {
    theState = state;
}

bool OnWorkerThread() {
    return onWorker;
}

void StartKeeper() {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (HANDLE keeper = CreateThread(nullptr, kStackBytes, KeeperMain, ready,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)) {
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(keeper);
    }
    CloseHandle(ready);
}

bool StartTask(RemoteCalls::State& state, std::shared_ptr<Task> task, bool queue) {
    Worker* worker = nullptr;
    {
        Locked lock(state.lock);
        ++state.active;
        if (!state.idle.empty()) {
            worker = state.idle.back();
            state.idle.pop_back();
        } else if (state.workers < kMaxWorkers) {
            worker = new (std::nothrow) Worker;
            if (!worker || !worker->wake) {
                delete worker;
                --state.active;
                return false;
            }
            HANDLE thread = CreateThread(nullptr, kStackBytes, WorkerMain, worker,
                                         STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
            if (!thread) {
                CloseHandle(worker->wake);
                delete worker;
                --state.active;
                return false;
            }
            CloseHandle(thread);
            ++state.workers;
        } else if (queue) {
            state.queued.push_back(std::move(task));
            return true;
        } else {
            --state.active;
            return false;
        }
        worker->task = std::move(task);
    }
    SetEvent(worker->wake);
    return true;
}

}  // namespace shutterling::win32
