#include "shell.h"

#include <exdisp.h>
#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>

#include <algorithm>

#include "browser.h"
#include "collection.h"
#include "com_util.h"
#include "document.h"
#include "faults.h"
#include "frame.h"
#include "opener.h"
#include "references.h"
#include "sim_log.h"
#include "steps.h"
#include "type_info.h"
#include "window_thread.h"

namespace sim {
namespace {

// Posted to the shell's own window by a window's thread: the window (lparam:
// its cookie) is gone and leaves the collection. And by a popup's thread: it
// took a reference to the window object of its opener (lparam: its cookie),
// a window on the shell's thread, which makes another.
constexpr UINT kForget = WM_APP + 20;
constexpr UINT kRefillScript = WM_APP + 21;
// How long the end of a run waits for the windows' threads, which have nothing
// left to wait for.
constexpr DWORD kThreadsEndMs = 10000;

LRESULT CALLBACK NoticeProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == kForget) {
        Shell::Get().Forget(LONG(lp));
        return 0;
    }
    if (msg == kRefillScript) {
        Shell::Get().RefillScript(LONG(lp));
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

Shell& Shell::Get() {
    static Shell shell;
    return shell;
}

bool Shell::Init(std::wstring& error) {
    thread_ = GetCurrentThreadId();
    if (!RegisterFrameClasses(error))
        return false;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = NoticeProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"BrowserSimNotices";
    if (!RegisterClassExW(&wc) ||
        !(notices_ = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     wc.hInstance, nullptr))) {
        error = L"cannot make the shell's message window";
        return false;
    }
    if (!ShDocVwInfo(IID_IWebBrowser2))
        Log::Get().Write("warning", "the browser type library is not registered");
    collection_.Attach(NewCollection());
    return true;
}

IUnknown* Shell::Collection() {
    return collection_.Get();
}

std::shared_ptr<BrowserWindow> Shell::Find(const std::wstring& name) const {
    for (auto& w : windows_) {
        if (w->name == name)
            return w;
    }
    return nullptr;
}

std::shared_ptr<BrowserWindow> Shell::FindEver(const std::wstring& name) const {
    for (auto it = openedWindows_.rbegin(); it != openedWindows_.rend(); ++it) {
        if ((*it)->name == name)
            return *it;
    }
    return nullptr;
}

void Shell::AskRefillScript(LONG cookie) {
    PostMessageW(notices_, kRefillScript, 0, cookie);
}

void Shell::RefillScript(LONG cookie) {
    for (auto& w : openedWindows_) {
        if (w->cookie == cookie && w->scriptRefs)
            w->scriptRefs->Refill();
    }
}

std::shared_ptr<BrowserWindow> Shell::Open(const std::wstring& name, const WindowProps& props,
                                           std::wstring& error) {
    if (Find(name)) {
        error = L"a window named " + name + L" is already open";
        return nullptr;
    }
    auto host = props.tabOf.empty() ? nullptr : Find(props.tabOf);
    if (!CanOpenInFrame(props, host.get(), error))
        return nullptr;
    auto w = std::make_shared<BrowserWindow>();
    w->name = name;
    w->Change([&](WindowProps& p) { p = props; });
    w->cookie = ++nextWindowCookie_;
    // The objects are made here and first marshalled on the thread that serves them.
    w->script.Attach(new HtmlWindowObj(w, Utf8(name), ClosedMode::Live));
    if (!SetOpener(*w, error))
        return nullptr;
    w->browser.Attach(new BrowserObj(w));
    if (props.ownPage) {
        w->page = WindowThread::Start(w, opened_, WindowThread::Serves::Page, error);
        if (!w->page)
            return nullptr;
    }
    if (props.ownThread) {
        w->thread = WindowThread::Start(w, opened_, WindowThread::Serves::Window, error);
        if (!w->thread) {
            if (w->page)
                w->page->Quit();
            return nullptr;
        }
        windows_.push_back(w);
        openedWindows_.push_back(w);
    } else {
        w->threadId = thread_;
        if (!props.ownPage)
            MakeDocument(*w);
        if (!(host ? AddTab(*w, *host) : CreateFrame(*w))) {
            if (w->page)
                w->page->Quit();
            error = L"cannot create the window";
            return nullptr;
        }
        windows_.push_back(w);
        openedWindows_.push_back(w);
        // What the line set of the frame's settings applies to the whole frame.
        if (!host || ShareFrameSettings(*w))
            PlaceFrame(*w, opened_);
    }
    ++opened_;
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(w->hwnd, &wp);
    const RECT& r = wp.rcNormalPosition;
    Log::Get().Write("open", Utf8(name) + " hwnd=" + Hex(ULONG(UINT_PTR(w->hwnd))) +
                                 " cookie=" + std::to_string(w->cookie) +
                                 " restored=" + std::to_string(r.right - r.left) + "x" +
                                 std::to_string(r.bottom - r.top) + " title=" + Quote(props.title) +
                                 (host ? " frame=" + Utf8(w->frame->name) : ""));
    return w;
}

bool Shell::Update(BrowserWindow& w, const std::vector<std::pair<std::wstring, std::wstring>>& keys,
                   std::wstring& error) {
    WindowProps p = w.Settings();
    bool opener = false, document = false, place = false;
    for (auto& [k, v] : keys) {
        if (!ApplyKey(p, k, v, error))
            return false;
        opener = opener || k == L"opener" || k == L"closed" ||
                 (k == L"fail" && v.find(L"closed") != std::wstring::npos);
        document = document || k == L"doc" || k == L"class" || k == L"classinfo";
        place = place || k == L"size" || k == L"restored" || k == L"pos" || k == L"state";
        // A page on a thread of its own can hang there while its browser is
        // served by the shell's thread, which must never block.
        bool ownThreadNeeded = k == L"busy" || (k == L"hang" && !(w.page && IsPageHang(v)));
        if (k == L"thread" || k == L"page" || (!w.thread && ownThreadNeeded)) {
            error = L"a window gets a thread of its own when it opens (thread=own, page=own)";
            return false;
        }
        if (k == L"tab") {
            error = L"a window joins a frame when it opens (tab=)";
            return false;
        }
    }
    // Its own thread may be serving the window right now: what that thread
    // builds stays as it was built.
    if ((w.thread || w.page) && (opener || document)) {
        error = L"a window on a thread of its own keeps its document and opener";
        return false;
    }
    // Applied again to the settings as they are now: the window's own thread
    // may have used up an armed hang or busy time meanwhile.
    WindowProps old;
    w.Change([&](WindowProps& q) {
        old = q;
        for (auto& [k, v] : keys)
            ApplyKey(q, k, v, error);
    });
    if (opener && !SetOpener(w, error)) {
        w.Change([&](WindowProps& q) { q = old; });
        return false;
    }
    if (document)
        MakeDocument(w);
    ApplyToFrame(w, place, opened_);
    return true;
}

void Shell::Close(BrowserWindow& w) {
    Log::Get().Write("close", Utf8(w.name));
    CloseTab(w);
}

void Shell::OnDestroyed(BrowserWindow& w) {
    if (w.destroyed.exchange(true))
        return;
    if (OnShellThread())
        Forget(w.cookie);
    else
        PostMessageW(notices_, kForget, 0, w.cookie);
    Log::Get().Write("destroyed", Utf8(w.name));
    // Runs on the thread that serves the window, in the apartment of its stubs.
    CoDisconnectObject(static_cast<IWebBrowser2*>(w.browser.Get()), 0);
}

void Shell::Forget(LONG cookie) {
    std::erase_if(windows_, [&](const auto& x) { return x->cookie == cookie; });
}

bool Shell::OnShellThread() const {
    return GetCurrentThreadId() == thread_;
}

bool Shell::Shutdown() {
    HoldHangs();
    auto windows = windows_;
    for (auto& w : windows) {
        if (!w->thread && !w->destroyed)
            DestroyWindow(w->hwnd);
    }
    for (auto& w : openedWindows_) {
        if (w->thread)
            w->thread->Quit();
        if (w->page)
            w->page->Quit();
    }
    sinks_.clear();
    if (collection_)
        CoDisconnectObject(collection_.Get(), 0);
    collection_.Reset();
    // Under Wine 8 a process that ends a thread still at work inside COM can
    // die of a segmentation fault: each window's thread has ended first, or
    // waits in a hang, which is safe. The wait pumps, as a thread leaving may
    // still call this apartment.
    auto done = [](const std::unique_ptr<WindowThread>& t, DWORD id) {
        return !t || t->Ended() || Hanging(id);
    };
    return Pump(kThreadsEndMs, [this, done] {
        return std::all_of(openedWindows_.begin(), openedWindows_.end(), [done](const auto& w) {
            return done(w->thread, w->threadId) && done(w->page, w->pageThreadId);
        });
    });
}

}  // namespace sim
