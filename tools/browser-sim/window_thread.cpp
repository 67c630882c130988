#include "window_thread.h"

#include <exdisp.h>
#include <objbase.h>

#include "browser.h"
#include "com_util.h"
#include "document.h"
#include "faults.h"
#include "frame.h"
#include "references.h"
#include "sim_log.h"

namespace sim {
namespace {

// Posted to the window's thread: marshal more references to hand out.
constexpr UINT kRefill = WM_APP + 10;

}  // namespace

struct WindowThread::State {
    std::shared_ptr<BrowserWindow> window;
    int index = 0;
    DWORD id = 0;
    HANDLE ready = nullptr;
    std::wstring error;
};

namespace {

DWORD WINAPI ThreadMain(void* param) {
    std::shared_ptr<WindowThread::State> state;
    std::swap(state, *static_cast<std::shared_ptr<WindowThread::State>*>(param));
    delete static_cast<std::shared_ptr<WindowThread::State>*>(param);
    BrowserWindow& w = *state->window;
    w.threadId = GetCurrentThreadId();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    auto filter = NewBusyFilter(state->window);
    CoRegisterMessageFilter(filter.Get(), nullptr);
    MakeDocument(w);
    const bool created = CreateFrame(w);
    if (created) {
        PlaceFrame(w, state->index);
        auto askMore = [id = GetCurrentThreadId()] { PostThreadMessageW(id, kRefill, 0, 0); };
        std::weak_ptr<BrowserWindow> weak = state->window;
        w.browserRefs =
            std::make_shared<ReferenceStock>(w.browser.Get(), Utf8(w.name), askMore, [weak] {
                auto open = weak.lock();
                return open && !open->destroyed;
            });
        // A closed window's object still answers its popups (closed is then true).
        w.scriptRefs = std::make_shared<ReferenceStock>(w.script.Get(), Utf8(w.name) + ".window",
                                                        askMore, [] { return true; });
        w.browserRefs->Refill();
        w.scriptRefs->Refill();
    } else {
        state->error = L"cannot create the window";
    }
    SetEvent(state->ready);

    MSG msg;
    while (created && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!msg.hwnd && msg.message == kRefill) {
            w.browserRefs->Refill();
            w.scriptRefs->Refill();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (IsWindow(w.hwnd))
        DestroyWindow(w.hwnd);
    // The thread leaves its apartment itself, calls and stubs done with, rather
    // than have the process end it while it is still inside the COM runtime.
    CoUninitialize();
    return created ? 0 : 1;
}

}  // namespace

std::unique_ptr<WindowThread> WindowThread::Start(const std::shared_ptr<BrowserWindow>& window,
                                                  int index, std::wstring& error) {
    auto state = std::make_shared<State>();
    state->window = window;
    state->index = index;
    state->ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto* param = new std::shared_ptr<State>(state);
    HANDLE thread = CreateThread(nullptr, 0, ThreadMain, param, 0, &state->id);
    if (!thread) {
        delete param;
        CloseHandle(state->ready);
        error = L"cannot start the window's thread";
        return nullptr;
    }
    DWORD which = 0;
    CoWaitForMultipleHandles(0, INFINITE, 1, &state->ready, &which);
    CloseHandle(state->ready);
    if (!state->error.empty()) {
        // It only leaves its apartment now: not left running into the end of the process.
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        error = state->error;
        return nullptr;
    }
    return std::make_unique<WindowThread>(state, thread);
}

void WindowThread::Quit() {
    PostThreadMessageW(state_->id, WM_QUIT, 0, 0);
}

bool WindowThread::Ended() const {
    return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0;
}

}  // namespace sim
