// The bridge for the shell's events: the message-only window, and the wait of
// the thread that brought the event.
#include "platform/win32/shell/event_bridge.h"

#include <memory>

namespace shutterling::win32 {
namespace {

constexpr UINT kMsgRun = WM_APP + 1;
constexpr wchar_t kWindowClass[] = L"Shutterling.RemoteCalls";

struct Job {
    std::function<void()> work;
    HANDLE stop;
    UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

bool IsSet(HANDLE event) {
    return WaitForSingleObject(event, 0) == WAIT_OBJECT_0;
}

LRESULT CALLBACK BridgeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
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

}  // namespace

EventBridge::EventBridge() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = BridgeProc;
    wc.hInstance = instance;
    wc.lpszClassName = kWindowClass;
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, kWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              instance, nullptr);
}

void EventBridge::Run(std::function<void()> work, HANDLE stop) {
    if (GetCurrentThreadId() == thread_) {
        if (!IsSet(stop))
            work();
        return;
    }
    auto job = std::make_shared<Job>(std::move(work), stop);
    if (!job->done || !window_)
        return;
    auto* message = new std::shared_ptr<Job>(job);
    if (!PostMessageW(window_, kMsgRun, 0, reinterpret_cast<LPARAM>(message))) {
        delete message;
        return;
    }
    const HANDLE handles[] = {job->done.get(), stop};
    WaitForMultipleObjects(2, handles, FALSE, INFINITE);
}

}  // namespace shutterling::win32
