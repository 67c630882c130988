// The bridge that brings the shell's events to the user-interface thread.
#pragma once

#include <functional>
#include <memory>

#include "platform/win32/system/application.h"

namespace shutterling::win32 {

// A message-only window of the user-interface thread. An event arrives on a
// thread of the multithreaded apartment, which posts it to the window and
// waits, so the shell waits for the handler as before, and the handler runs
// wherever that thread dispatches posted messages, as the apartment used to
// let incoming calls in. Nothing runs once `stop` is set.
class EventBridge {
  public:
    explicit EventBridge(HANDLE stop) : stop_(stop) {  // on the user-interface thread
        WNDCLASSW wc{};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"Shutterling.RemoteCalls";
        RegisterClassW(&wc);
        window_ = CreateWindowExW(0, wc.lpszClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE,
                                  nullptr, wc.hInstance, nullptr);
    }
    // Returns once work returned or stop is set; on that thread itself, runs work directly.
    void Run(std::function<void()> work) {
        if (GetCurrentThreadId() == thread_) {
            if (!IsSet(stop_))
                work();
            return;
        }
        auto job = std::make_shared<Job>(std::move(work), stop_);
        if (!job->done || !window_)
            return;
        auto* message = new std::shared_ptr<Job>(job);
        if (!PostMessageW(window_, kMsgRun, 0, reinterpret_cast<LPARAM>(message))) {
            delete message;
            return;
        }
        const HANDLE handles[] = {job->done.get(), stop_};
        WaitForMultipleObjects(2, handles, FALSE, INFINITE);
    }

    // Runs work on that thread later, from any thread, without waiting for it.
    void Post(std::function<void()> work) {
        auto job = std::make_shared<Job>(std::move(work), stop_);
        auto* message = new std::shared_ptr<Job>(job);
        if (!window_ || !PostMessageW(window_, kMsgRun, 0, reinterpret_cast<LPARAM>(message)))
            delete message;
    }

  private:
    static constexpr UINT kMsgRun = WM_APP + 1;
    struct Job {
        std::function<void()> work;
        HANDLE stop;
        UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    };

    static bool IsSet(HANDLE event) { return WaitForSingleObject(event, 0) == WAIT_OBJECT_0; }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        if (msg != kMsgRun)
            return DefWindowProcW(hwnd, msg, wParam, lParam);
        std::unique_ptr<std::shared_ptr<Job>> job(reinterpret_cast<std::shared_ptr<Job>*>(lParam));
        if (!IsSet((*job)->stop)) {
            try {
                (*job)->work();
            } catch (...) {
                // A window procedure lets nothing unwind into the system.
            }
        }
        SetEvent((*job)->done.get());
        return 0;
    }

    HANDLE stop_;
    DWORD thread_ = GetCurrentThreadId();
    HWND window_ = nullptr;
};

}  // namespace shutterling::win32
