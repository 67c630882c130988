#include "platform/win32/remote_calls.h"

#include <objbase.h>

#include "platform/win32/call_workers.h"

namespace shutterling::win32 {
namespace {

// A busy browser is asked again at about the pace Windows itself retries.
constexpr DWORD kRetryPauseMs = 100;
constexpr UINT kMsgRunOnUi = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"Shutterling.RemoteCalls";

struct UiJob {
    std::function<void()> work;
    UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

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
    SetEvent((*job)->done.get());
    return 0;
}

}  // namespace

RemoteCalls& RemoteCalls::Get() {
    static RemoteCalls* calls = new RemoteCalls;
    return *calls;
}

RemoteCalls::RemoteCalls() : state_(new State) {
    StartKeeper();

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

    const HANDLE handles[] = {task->done.get(), state.stopEvent.get()};
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
    if (who != kShell)
        state.notAnswering.push_back(who);
    return Outcome::GivenUp;
}

void RemoteCalls::Post(std::function<void()> work) {
    if (OnWorker()) {
        work();
        return;
    }
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
    const HANDLE handles[] = {job->done.get(), state.stopEvent.get()};
    WaitForMultipleObjects(2, handles, FALSE, INFINITE);
}

void RemoteCalls::Stop() {
    SetEvent(state_->stopEvent.get());
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
    return WaitForSingleObject(state_->stopEvent.get(), 0) == WAIT_OBJECT_0;
}

bool RemoteCalls::Answering(Answerer who) {
    if (who == kShell)
        return true;
    Locked lock(state_->lock);
    return !state_->NotAnswering(who);
}

bool RemoteCalls::OnWorker() {
    return OnWorkerThread();
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
        if (state_->NotAnswering(who)) {
            // Released when the window answers again, or left to COM's
            // clean-up at exit, rather than parking a thread.
            state_->deferred.emplace_back(who, object);
            return;
        }
    }
    Post([object] { object->Release(); });
}

}  // namespace shutterling::win32
