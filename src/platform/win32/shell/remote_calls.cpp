// One record per answerer (what is on its way to it, what waits for it), and
// the worker threads that make the calls.
#include "platform/win32/shell/remote_calls.h"

#include <objbase.h>

#include <algorithm>
#include <deque>
#include <vector>

#include "platform/win32/system/application.h"
#include "platform/win32/system/locked.h"

namespace shutterling::win32 {
namespace {

// A busy browser is asked again at about the pace Windows itself retries.
constexpr DWORD kRetryPauseMs = 100;
constexpr UINT kMsgRunOnUi = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"Shutterling.RemoteCalls";
// An idle worker leaves after this, unless it is the last idle one.
constexpr DWORD kIdleMs = 10000;
// A call and its marshaling need little stack; the default megabyte would
// fill a 32-bit address space with the threads of browsers that hang.
constexpr SIZE_T kStackBytes = 128 * 1024;

// A last release kept for an answerer, and what is said through the object first.
struct Kept {
    IUnknown* object;
    std::function<void()> before;
};

// Everything sent to one answerer. The answerer is not answering while one of
// its calls has been given up and has not come back, or while kept releases
// have been out to it for longer than a call may take.
struct Lane {
    Answerer who;
    int out = 0;             // calls, and a batch of kept releases, on workers now
    bool givenUp = false;    // until out is 0 again
    DWORD keptSince = 0;     // when the kept releases now out went; 0 while none are
    std::vector<Kept> kept;  // one per interface pointer, the rest made at once
};

// A call, or work for the user-interface thread.
struct Task {
    std::function<void(DWORD)> call;
    std::shared_ptr<Lane> lane;
    UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    bool finished = false;   // guarded by the state's lock, as is the flag below
    bool abandoned = false;  // its waiter gave up
};

DWORD WINAPI WorkerMain(void* param);

}  // namespace

struct RemoteCalls::State {
    Lock lock;
    std::vector<std::shared_ptr<Lane>> lanes;  // answerers with something out or kept
    std::deque<std::function<void()>> jobs;    // for the workers
    int idle = 0;                              // workers waiting for a job
    // One count per job handed to the idle workers; a worker that finds none
    // left (another took it first) waits again.
    UniqueHandle wake{CreateSemaphoreW(nullptr, 0, LONG_MAX, nullptr)};
    int inHand = 0;      // work on workers, the calls given up aside
    int givenUpOut = 0;  // calls given up and not back yet
    UniqueHandle handEmpty{CreateEventW(nullptr, TRUE, TRUE, nullptr)};  // set while inHand is 0
    UniqueHandle stopEvent{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    DWORD uiThread = GetCurrentThreadId();
    HWND window = nullptr;

    // With the lock held.
    std::shared_ptr<Lane> LaneOf(Answerer who, bool make) {
        for (auto& lane : lanes) {
            if (lane->who == who)
                return lane;
        }
        if (!make)
            return nullptr;
        lanes.push_back(std::make_shared<Lane>(who));
        return lanes.back();
    }
    void Begin() {
        if (inHand++ == 0)
            ResetEvent(handEmpty.get());
    }
    void End() {
        if (--inHand == 0)
            SetEvent(handEmpty.get());
    }
    bool Silent(const Lane& lane) const {
        return lane.givenUp || (lane.keptSince && GetTickCount() - lane.keptSince > kCallTimeoutMs);
    }

    // Runs job on an idle or a new worker; false when no thread can be started.
    bool Start(std::function<void()> job) {
        Locked hold(lock);
        try {
            jobs.push_back(std::move(job));
        } catch (...) {
            return false;
        }
        if (static_cast<std::size_t>(idle) >= jobs.size()) {
            ReleaseSemaphore(wake.get(), 1, nullptr);
            return true;
        }
        if (UniqueHandle(CreateThread(nullptr, kStackBytes, WorkerMain, this,
                                      STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)))
            return true;
        jobs.pop_back();
        return false;
    }
    // A worker's next job; empty when the worker is to leave.
    std::function<void()> NextJob() {
        lock.Enter();
        while (jobs.empty()) {
            // The apartment, and every proxy in it, goes away with its last
            // thread: the last idle worker stays, and sleeps until work comes.
            const DWORD wait = ++idle > 1 ? kIdleMs : INFINITE;
            lock.Leave();
            const bool woke = WaitForSingleObject(wake.get(), wait) == WAIT_OBJECT_0;
            lock.Enter();
            --idle;
            if (!woke && jobs.empty() && idle > 0) {
                lock.Leave();
                return nullptr;
            }
        }
        auto job = std::move(jobs.front());
        jobs.pop_front();
        lock.Leave();
        return job;
    }
    // One piece of the lane's work is back (out still counts it): what was
    // kept for the lane is made here, once nothing else is out to it.
    void Settle(const std::shared_ptr<Lane>& lane) {
        for (;;) {
            std::vector<Kept> kept;
            {
                Locked lock(this->lock);
                if (lane->out > 1) {
                    --lane->out;
                    return;
                }
                // The last piece out is back: the answerer answers again.
                lane->givenUp = false;
                if (lane->kept.empty()) {
                    --lane->out;
                    std::erase(lanes, lane);
                    return;
                }
                // This worker makes what was kept, and its piece counts for it.
                kept.swap(lane->kept);
                lane->keptSince = GetTickCount();
                Begin();
            }
            for (auto& [object, before] : kept) {
                try {
                    if (before)
                        before();
                } catch (...) {
                }
                object->Release();
            }
            kept.clear();  // what `before` held goes while this still counts for the lane
            Locked lock(this->lock);
            lane->keptSince = 0;
            End();
        }
    }
};

namespace {

DWORD WINAPI WorkerMain(void* param) {
    auto& state = *static_cast<RemoteCalls::State*>(param);
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    while (auto job = state.NextJob()) {
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
    std::unique_ptr<std::shared_ptr<Task>> job(reinterpret_cast<std::shared_ptr<Task>*>(lParam));
    if (!RemoteCalls::Get().Stopped()) {
        try {
            (*job)->call(0);
        } catch (...) {
            // A window procedure lets nothing unwind into the system.
        }
    }
    SetEvent((*job)->done.get());
    return 0;
}

}  // namespace

RemoteCalls& RemoteCalls::Get() {
    static RemoteCalls* calls = new RemoteCalls;
    return *calls;
}

RemoteCalls::RemoteCalls() : state_(new State) {
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
    auto task = std::make_shared<Task>();
    if (Stopped() || !task->done)
        return Outcome::NotMade;
    task->call = std::move(call);
    {
        Locked lock(state.lock);
        task->lane = state.LaneOf(who, true);
        if (state.Silent(*task->lane))
            return Outcome::NotMade;
        ++task->lane->out;
        state.Begin();
    }
    const bool started = state.Start([&state, task, deadline = GetTickCount() + kCallTimeoutMs] {
        try {
            task->call(deadline);
        } catch (...) {
        }
        // Its own references go to their answerers' records before it counts as done.
        task->call = nullptr;
        {
            Locked lock(state.lock);
            task->finished = true;
            if (!task->abandoned)
                state.End();
            else
                --state.givenUpOut;
        }
        SetEvent(task->done.get());
        state.Settle(task->lane);
    });
    if (!started) {
        Locked lock(state.lock);
        --task->lane->out;
        state.End();
        return Outcome::NotMade;
    }

    // The time that what runs inside the wait takes (the shell's next event,
    // nested in this call as the apartment nested it; a menu) is its own and
    // not charged to the call; all the rest is, whatever wakes the wait.
    const HANDLE handles[] = {task->done.get(), state.stopEvent.get()};
    const DWORD start = GetTickCount();
    DWORD nested = 0;
    for (;;) {
        const DWORD charged = GetTickCount() - start - nested;
        if (charged >= kCallTimeoutMs)
            break;
        const DWORD woke = MsgWaitForMultipleObjectsEx(2, handles, kCallTimeoutMs - charged,
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0)
            return Outcome::Done;
        if (woke != WAIT_OBJECT_0 + 2)
            break;
        const DWORD before = GetTickCount();
        const bool more = DispatchPending();
        nested += GetTickCount() - before;
        if (!more)
            break;
    }
    Locked lock(state.lock);
    if (task->finished)
        return Outcome::Done;
    task->abandoned = true;
    task->lane->givenUp = true;
    ++state.givenUpOut;
    state.End();
    return Outcome::GivenUp;
}

void RemoteCalls::Release(Answerer who, IUnknown* object, std::function<void()> before) {
    if (!object)
        return;
    auto& state = *state_;
    std::shared_ptr<Lane> lane;
    bool kick = false;
    {
        Locked lock(state.lock);
        lane = state.LaneOf(who, true);
        if (before || std::none_of(lane->kept.begin(), lane->kept.end(),
                                   [object](const Kept& k) { return k.object == object; })) {
            lane->kept.push_back({object, std::move(before)});
            object = nullptr;
        }
        // What is kept goes out on a worker at once when nothing is out to
        // the answerer, else after what is.
        kick = lane->out == 0;
        if (kick)
            ++lane->out;
    }
    // The same interface is kept already, so this is not its last release:
    // the proxy makes it without a call. A window that hangs for good so
    // keeps one reference per interface, however often it is met.
    if (object)
        object->Release();
    if (kick && !state.Start([&state, lane] { state.Settle(lane); })) {
        // Kept with the lane until a later release, or left to the process's end.
        Locked lock(state.lock);
        --lane->out;
    }
}

void RemoteCalls::RunOnUiThread(std::function<void()> work) {
    auto& state = *state_;
    if (GetCurrentThreadId() == state.uiThread) {
        if (!Stopped())
            work();
        return;
    }
    auto job = std::make_shared<Task>();
    if (!job->done || !state.window)
        return;
    job->call = [work = std::move(work)](DWORD) { work(); };
    auto* message = new std::shared_ptr<Task>(job);
    if (!PostMessageW(state.window, kMsgRunOnUi, 0, reinterpret_cast<LPARAM>(message))) {
        delete message;
        return;
    }
    const HANDLE handles[] = {job->done.get(), state.stopEvent.get()};
    WaitForMultipleObjects(2, handles, FALSE, INFINITE);
}

void RemoteCalls::Stop() {
    SetEvent(state_->stopEvent.get());
}

bool RemoteCalls::Stopped() const {
    return WaitForSingleObject(state_->stopEvent.get(), 0) == WAIT_OBJECT_0;
}

bool RemoteCalls::Drain(DWORD timeoutMs) {
    const bool done = WaitForSingleObject(state_->handEmpty.get(), timeoutMs) == WAIT_OBJECT_0;
    Locked lock(state_->lock);
    return done && state_->givenUpOut == 0;
}

bool RemoteCalls::Answering(Answerer who) {
    Locked lock(state_->lock);
    auto lane = state_->LaneOf(who, false);
    return !lane || !state_->Silent(*lane);
}

bool& TurnedAway() {
    thread_local bool turnedAway = false;
    return turnedAway;
}

HRESULT RetryWhileBusy(DWORD deadline, const std::function<HRESULT()>& call) {
    for (;;) {
        const HRESULT hr = call();
        if (hr != RPC_E_SERVERCALL_RETRYLATER && hr != RPC_E_CALL_REJECTED)
            return hr;
        if (static_cast<LONG>(deadline - GetTickCount()) <= static_cast<LONG>(kRetryPauseMs)) {
            TurnedAway() = true;
            return hr;
        }
        Sleep(kRetryPauseMs);
    }
}

Answerer IdentityOf(IUnknown* object) {
    IUnknown* identity = nullptr;
    if (!object || FAILED(object->QueryInterface(IID_PPV_ARGS(&identity))))
        return 0;
    const auto key = reinterpret_cast<Answerer>(identity);
    RemoteCalls::Get().Release(key, identity);  // not its last: the object holds it
    return key;
}

}  // namespace shutterling::win32
