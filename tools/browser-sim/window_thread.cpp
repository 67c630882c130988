#include "window_thread.h"

#include <exdisp.h>
#include <objbase.h>

#include <functional>
#include <vector>

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
    Serves serves = Serves::Window;
    DWORD id = 0;
    HANDLE ready = nullptr;
    std::wstring error;
};

namespace {

// References to `object` made on this thread, asked for again by posting kRefill.
std::shared_ptr<ReferenceStock> Stock(IDispatch* object, const std::string& label,
                                      std::function<bool()> more) {
    auto askMore = [id = GetCurrentThreadId()] { PostThreadMessageW(id, kRefill, 0, 0); };
    auto stock = std::make_shared<ReferenceStock>(object, label, askMore, std::move(more));
    stock->Refill();
    return stock;
}

DWORD WINAPI ThreadMain(void* param) {
    std::shared_ptr<WindowThread::State> state;
    std::swap(state, *static_cast<std::shared_ptr<WindowThread::State>*>(param));
    delete static_cast<std::shared_ptr<WindowThread::State>*>(param);
    BrowserWindow& w = *state->window;
    const bool page = state->serves == WindowThread::Serves::Page;
    const bool servesPage = page || !w.Settings().ownPage;
    (page ? w.pageThreadId : w.threadId) = GetCurrentThreadId();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    auto filter = NewBusyFilter(state->window);
    CoRegisterMessageFilter(filter.Get(), nullptr);
    if (servesPage)
        MakeDocument(w);
    const bool created = page || CreateFrame(w);
    std::vector<std::shared_ptr<ReferenceStock>> stocks;
    if (created && !page) {
        PlaceFrame(w, state->index);
        std::weak_ptr<BrowserWindow> weak = state->window;
        stocks.push_back(w.browserRefs = Stock(w.browser.Get(), Utf8(w.name), [weak] {
                             auto open = weak.lock();
                             return open && !open->destroyed;
                         }));
    }
    if (created && servesPage) {
        // A closed window's object still answers its popups (closed is then true).
        stocks.push_back(w.scriptRefs =
                             Stock(w.script.Get(), Utf8(w.name) + ".window", [] { return true; }));
    }
    if (page) {
        stocks.push_back(w.documentRefs = Stock(w.document.Get(), Utf8(w.name) + ".document",
                                                [] { return true; }));
    }
    if (!created)
        state->error = L"cannot create the window";
    SetEvent(state->ready);

    MSG msg;
    while (created && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!msg.hwnd && msg.message == kRefill) {
            for (auto& stock : stocks)
                stock->Refill();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (!page && IsWindow(w.hwnd))
        DestroyWindow(w.hwnd);
    // The thread leaves its apartment itself, calls and stubs done with, rather
    // than have the process end it while it is still inside the COM runtime.
    CoUninitialize();
    return created ? 0 : 1;
}

}  // namespace

std::unique_ptr<WindowThread> WindowThread::Start(const std::shared_ptr<BrowserWindow>& window,
                                                  int index, Serves serves, std::wstring& error) {
    auto state = std::make_shared<State>();
    state->window = window;
    state->index = index;
    state->serves = serves;
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
