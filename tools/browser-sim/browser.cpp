#include "browser.h"

#include "document.h"
#include "faults.h"
#include "frame.h"
#include "references.h"
#include "sim_log.h"
#include "trace.h"
#include "window_thread.h"

namespace sim {

BrowserWindow::BrowserWindow() = default;
BrowserWindow::~BrowserWindow() = default;

WindowProps BrowserWindow::Settings() const {
    AcquireSRWLockShared(&lock_);
    WindowProps copy = props;
    ReleaseSRWLockShared(&lock_);
    return copy;
}

bool BrowserWindow::Fails(const wchar_t* member) const {
    AcquireSRWLockShared(&lock_);
    bool fails = props.fails.count(member) != 0;
    ReleaseSRWLockShared(&lock_);
    return fails;
}

bool BrowserWindow::ServedHere() const {
    const DWORD me = GetCurrentThreadId();
    return me == threadId || (pageThreadId && me == pageThreadId);
}

HRESULT BrowserObj::Admit(const char* member) {
    auto w = owner_.lock();
    return w ? BusyAnswer(*w, member) : S_OK;
}

template <class F>
HRESULT BrowserObj::Read(const char* member, const wchar_t* failKey, F&& fill) {
    OnClientCall();
    auto w = owner_.lock();
    // A closed browser's object is cut off from its clients, as the shell's are.
    if (!w || w->destroyed)
        return RPC_E_DISCONNECTED;
    if (HRESULT busy = BusyAnswer(*w, member); FAILED(busy))
        return busy;
    HangAt(*w, failKey, member);
    const WindowProps p = w->Settings();
    HRESULT hr = p.fails.count(failKey) ? E_FAIL : S_OK;
    std::string value;
    if (SUCCEEDED(hr))
        value = fill(*w, p);
    TraceRead(*w, member, hr, value);
    return hr;
}

HRESULT STDMETHODCALLTYPE BrowserObj::get_Document(IDispatch** out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return Read("Document", L"document", [&](BrowserWindow& w, const WindowProps& p) {
        // A page on a thread of its own is handed out without a call into
        // that thread, which may be hung, as a frame hands out a tab's page.
        if (p.doc != DocKind::None && w.documentRefs)
            *out = NewForwarder(w.documentRefs);
        else if (p.doc != DocKind::None && w.document)
            w.document->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out));
        return std::string(*out ? "object" : "none");
    });
}

HRESULT STDMETHODCALLTYPE BrowserObj::get_FullScreen(VARIANT_BOOL* out) noexcept {
    if (!out)
        return E_POINTER;
    return Read("FullScreen", L"fullscreen", [&](BrowserWindow&, const WindowProps& p) {
        *out = p.fullscreen ? VARIANT_TRUE : VARIANT_FALSE;
        return std::to_string(*out);
    });
}

HRESULT STDMETHODCALLTYPE BrowserObj::get_MenuBar(VARIANT_BOOL* out) noexcept {
    if (!out)
        return E_POINTER;
    return Read("MenuBar", L"menubar", [&](BrowserWindow&, const WindowProps& p) {
        *out = p.menubar ? VARIANT_TRUE : VARIANT_FALSE;
        return std::to_string(*out);
    });
}

HRESULT STDMETHODCALLTYPE BrowserObj::get_LocationName(BSTR* out) noexcept {
    if (!out)
        return E_POINTER;
    *out = nullptr;
    return Read("LocationName", L"locationname", [&](BrowserWindow&, const WindowProps& p) {
        *out = Bstr(p.title).Detach();
        return Quote(p.title);
    });
}

HRESULT STDMETHODCALLTYPE BrowserObj::get_Width(LONG* out) noexcept {
    if (!out)
        return E_POINTER;
    return Read("Width", L"width", [&](BrowserWindow&, const WindowProps& p) {
        *out = p.width;
        return std::to_string(*out);
    });
}

HRESULT STDMETHODCALLTYPE BrowserObj::get_Height(LONG* out) noexcept {
    if (!out)
        return E_POINTER;
    return Read("Height", L"height", [&](BrowserWindow&, const WindowProps& p) {
        *out = p.height;
        return std::to_string(*out);
    });
}

HRESULT STDMETHODCALLTYPE BrowserObj::get_HWND(SHANDLE_PTR* out) noexcept {
    if (!out)
        return E_POINTER;
    return Read("HWND", L"hwnd", [&](BrowserWindow& w, const WindowProps&) {
        *out = reinterpret_cast<SHANDLE_PTR>(w.hwnd);
        return Hex(ULONG(*out));
    });
}

HRESULT STDMETHODCALLTYPE BrowserObj::Quit() noexcept {
    OnClientCall();
    auto w = owner_.lock();
    if (!w || w->destroyed)
        return RPC_E_DISCONNECTED;
    if (HRESULT busy = BusyAnswer(*w, "Quit"); FAILED(busy))
        return busy;
    HangAt(*w, L"quit", "Quit");
    if (w->Fails(L"quit")) {
        Log::Get().Write("read-failed", "member=Quit of=" + Utf8(w->name));
        return E_FAIL;
    }
    QuitTab(*w);
    return S_OK;
}

HRESULT HandOutBrowser(BrowserWindow& w, IDispatch** out) {
    // Made without a call into the window's own thread, which may be hung.
    if (w.thread) {
        *out = NewForwarder(w.browserRefs);
        return S_OK;
    }
    return w.browser->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out));
}

}  // namespace sim
