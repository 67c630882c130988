#include "platform/win32/remote_calls.h"

#include <objbase.h>

#include <deque>
#include <map>
#include <set>
#include <vector>

#include "platform/win32/application.h"

namespace shutterling::win32 {
namespace {

// Nested waits each need a worker of their own; a few stay idle between calls.
constexpr int kMaxWorkers = 32;
constexpr std::size_t kMaxIdle = 4;
// A call and its marshaling need little stack; the default megabyte each
// would reserve up to 32 MB of a 32-bit address space for the workers.
constexpr SIZE_T kStackBytes = 128 * 1024;
// A busy browser is asked again at about the pace Windows itself retries.
constexpr DWORD kRetryPauseMs = 100;
constexpr UINT kMsgRunOnUi = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"Shutterling.RemoteCalls";

thread_local bool onWorker = false;

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

struct UiJob {
    std::function<void()> work;
    HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~UiJob() {
        if (done)
            CloseHandle(done);
    }
};

}  // namespace

struct RemoteCalls::State {
    SRWLOCK lock = SRWLOCK_INIT;
    std::vector<Worker*> idle;
    std::deque<std::shared_ptr<Task>> queued;  // posted work waiting for a worker
    int active = 0;  // tasks started or queued and not yet done, the abandoned ones left out
    int workers = 0;
    std::multiset<Answerer> notAnswering;
    // Releases kept back until their window answers again.
    std::multimap<Answerer, IUnknown*> deferred;
    bool stopped = false;
    HANDLE stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD uiThread = GetCurrentThreadId();
    HWND window = nullptr;
};

namespace {

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
                    state.notAnswering.erase(state.notAnswering.find(task->who));
                    if (!state.notAnswering.count(task->who)) {
                        auto [from, to] = state.deferred.equal_range(task->who);
                        for (auto it = from; it != to; ++it)
                            released.push_back(it->second);
                        state.deferred.erase(from, to);
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
            state.queued.pop_front();
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

// Runs the task on an idle or a new worker. Once every worker is taken, work
// that nobody waits for is queued for the next free one; a call is not made.
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

// One round of the modal loop: false once the program's quit message came
// (it is posted again for the main loop).
bool DispatchPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (PreTranslateFormMessage(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return true;
}

LRESULT CALLBACK UiWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != kMsgRunOnUi)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    std::unique_ptr<std::shared_ptr<UiJob>> job(reinterpret_cast<std::shared_ptr<UiJob>*>(lParam));
    if (!RemoteCalls::Get().Stopped()) {
        try {
            (*job)->work();
        } catch (...) {
            // A window procedure lets nothing unwind into the system.
        }
    }
    SetEvent((*job)->done);
    return 0;
}

}  // namespace

RemoteCalls& RemoteCalls::Get() {
    static RemoteCalls* calls = new RemoteCalls;
    return *calls;
}

RemoteCalls::RemoteCalls() : state_(new State) {
    theState = state_;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (HANDLE keeper = CreateThread(nullptr, kStackBytes, KeeperMain, ready,
                                     STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)) {
        WaitForSingleObject(ready, INFINITE);
        CloseHandle(keeper);
    }
    CloseHandle(ready);

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = UiWindowProc;
    wc.hInstance = instance;
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
    state_->window = CreateWindowExW(0, kWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     instance, nullptr);
}

RemoteCalls::Outcome RemoteCalls::Run(Answerer who, std::function<void(DWORD)> call) {
    auto& state = *state_;
    if (Stopped() || !Answering(who))
        return Outcome::NotMade;
    auto task = std::make_shared<Task>();
    if (!task->done)
        return Outcome::NotMade;
    task->call = std::move(call);
    task->who = who;
    task->deadline = GetTickCount() + kCallTimeoutMs;
    if (!StartTask(state, task, false))
        return Outcome::NotMade;

    const HANDLE handles[] = {task->done, state.stopEvent};
    for (;;) {
        const auto left = static_cast<LONG>(task->deadline - GetTickCount());
        if (left <= 0)
            break;
        const DWORD woke = MsgWaitForMultipleObjectsEx(2, handles, static_cast<DWORD>(left),
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0)
            return Outcome::Done;
        if (woke != WAIT_OBJECT_0 + 2 || !DispatchPending())
            break;
    }
    Locked lock(state.lock);
    if (task->finished)
        return Outcome::Done;
    task->abandoned = true;
    --state.active;
    // Ended by the timeout or by the shut-down, the call is still out: the
    // window's releases wait for it rather than queue behind it.
    if (who != kShell) {
        task->blamed = true;
        state.notAnswering.insert(who);
    }
    return Outcome::GivenUp;
}

void RemoteCalls::Post(std::function<void()> work) {
    auto task = std::make_shared<Task>();
    task->call = [work = std::move(work)](DWORD) { work(); };
    StartTask(*state_, std::move(task), true);
}

void RemoteCalls::RunOnUiThread(std::function<void()> work) {
    auto& state = *state_;
    if (GetCurrentThreadId() == state.uiThread) {
        if (!Stopped())
            work();
        return;
    }
    auto job = std::make_shared<UiJob>();
    if (!job->done || !state.window)
        return;
    job->work = std::move(work);
    auto* message = new std::shared_ptr<UiJob>(job);
    if (!PostMessageW(state.window, kMsgRunOnUi, 0, reinterpret_cast<LPARAM>(message))) {
        delete message;
        return;
    }
    const HANDLE handles[] = {job->done, state.stopEvent};
    WaitForMultipleObjects(2, handles, FALSE, INFINITE);
}

void RemoteCalls::Stop() {
    {
        Locked lock(state_->lock);
        state_->stopped = true;
    }
    SetEvent(state_->stopEvent);
}

void RemoteCalls::Drain(DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        {
            Locked lock(state_->lock);
            if (state_->active == 0)
                return;
        }
        if (GetTickCount() - start >= timeoutMs)
            return;
        Sleep(10);
    }
}

bool RemoteCalls::Stopped() const {
    Locked lock(state_->lock);
    return state_->stopped;
}

bool RemoteCalls::Answering(Answerer who) {
    if (who == kShell)
        return true;
    Locked lock(state_->lock);
    return state_->notAnswering.count(who) == 0;
}

bool RemoteCalls::OnWorker() {
    return onWorker;
}

HRESULT RetryWhileBusy(DWORD deadline, const std::function<HRESULT()>& call) {
    for (;;) {
        const HRESULT hr = call();
        if (hr != RPC_E_SERVERCALL_RETRYLATER && hr != RPC_E_CALL_REJECTED)
            return hr;
        if (static_cast<LONG>(deadline - GetTickCount()) <= static_cast<LONG>(kRetryPauseMs))
            return hr;
        Sleep(kRetryPauseMs);
    }
}

void RemoteCalls::ReleaseLater(IUnknown* object, Answerer who) {
    if (!object)
        return;
    {
        Locked lock(state_->lock);
        if (state_->notAnswering.count(who)) {
            // Released when the window answers again, or left to COM's
            // clean-up at exit, rather than parking a thread.
            state_->deferred.emplace(who, object);
            return;
        }
    }
    if (OnWorker()) {
        object->Release();
        return;
    }
    Post([object] { object->Release(); });
}

void ReleaseRemote(IUnknown* object, Answerer who) {
    RemoteCalls::Get().ReleaseLater(object, who);
}

}  // namespace shutterling::win32
