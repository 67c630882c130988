#include "platform/win32/call_workers.h"

#include <objbase.h>

#include <algorithm>

namespace shutterling::win32 {

struct Worker {
    RemoteCalls::State& state;
    UniqueHandle wake;
    std::shared_ptr<Task> task;
};

namespace {

// Nested waits each need a worker of their own; a few stay idle between calls.
constexpr int kMaxWorkers = 32;
constexpr std::size_t kMaxIdle = 4;
// A call and its marshaling need little stack; the default megabyte each
// would reserve up to 32 MB of a 32-bit address space for the workers.
constexpr SIZE_T kStackBytes = 128 * 1024;

thread_local bool onWorker = false;

// The task is done: with the lock held, its waiter is told, and when it was
// the last call out to its window, that window answers again and the
// releases kept back for it are handed back to be made now.
std::vector<IUnknown*> Finish(RemoteCalls::State& state, Task& task) {
    std::vector<IUnknown*> released;
    task.finished = true;
    if (!task.abandoned) {
        --state.active;
        return released;
    }
    if (task.who == kShell)
        return released;
    auto& out = state.notAnswering;
    out.erase(std::find(out.begin(), out.end(), task.who));
    if (state.NotAnswering(task.who))
        return released;
    auto& kept = state.deferred;
    for (const auto& [who, object] : kept) {
        if (who == task.who)
            released.push_back(object);
    }
    kept.erase(std::remove_if(kept.begin(), kept.end(),
                              [&](const auto& d) { return d.first == task.who; }),
               kept.end());
    return released;
}

DWORD WINAPI WorkerMain(void* param) {
    auto* worker = static_cast<Worker*>(param);
    auto& state = worker->state;
    onWorker = true;
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    std::shared_ptr<Task> task;
    for (;;) {
        if (!task) {
            WaitForSingleObject(worker->wake.get(), INFINITE);
            Locked lock(state.lock);
            task = std::move(worker->task);
        }
        try {
            task->call(task->deadline);
        } catch (...) {
            // Nothing may unwind out of a thread procedure.
        }
        // The call's own references go here, on this thread, never on the
        // user-interface thread, and before it counts as done: whoever waits
        // for it, or for all work to be done, finds them gone.
        task->call = nullptr;
        std::vector<IUnknown*> released;
        {
            Locked lock(state.lock);
            released = Finish(state, *task);
        }
        SetEvent(task->done.get());
        for (IUnknown* object : released)
            object->Release();
        task.reset();

        Locked lock(state.lock);
        if (!state.queued.empty()) {
            task = std::move(state.queued.front());
            state.queued.erase(state.queued.begin());
            continue;
        }
        if (state.idle.size() >= kMaxIdle) {
            --state.workers;
            break;
        }
        state.idle.push_back(worker);
    }
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

// A new worker, or null when it cannot be made.
Worker* NewWorker(RemoteCalls::State& state) {
    auto* worker = new (std::nothrow)
        Worker{state, UniqueHandle(CreateEventW(nullptr, FALSE, FALSE, nullptr)), nullptr};
    if (!worker || !worker->wake ||
        !UniqueHandle(CreateThread(nullptr, kStackBytes, WorkerMain, worker,
                                   STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr))) {
        delete worker;
        return nullptr;
    }
    return worker;
}

}  // namespace

bool RemoteCalls::State::NotAnswering(Answerer who) const {
    return std::find(notAnswering.begin(), notAnswering.end(), who) != notAnswering.end();
}

bool OnWorkerThread() {
    return onWorker;
}

void StartKeeper() {
    UniqueHandle ready(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (UniqueHandle keeper{CreateThread(nullptr, kStackBytes, KeeperMain, ready.get(),
                                         STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)}) {
        WaitForSingleObject(ready.get(), INFINITE);
    }
}

bool StartTask(RemoteCalls::State& state, std::shared_ptr<Task> task, bool queue) {
    Worker* worker = nullptr;
    {
        Locked lock(state.lock);
        if (!state.idle.empty()) {
            worker = state.idle.back();
            state.idle.pop_back();
        } else if (state.workers < kMaxWorkers && (worker = NewWorker(state))) {
            ++state.workers;
        } else if (queue) {
            ++state.active;
            state.queued.push_back(std::move(task));
            return true;
        } else {
            return false;
        }
        ++state.active;
        worker->task = std::move(task);
    }
    SetEvent(worker->wake.get());
    return true;
}

}  // namespace shutterling::win32
