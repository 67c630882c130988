#include "browser.h"

#include "document.h"
#include "faults.h"
#include "shell.h"
#include "sim_log.h"
#include "trace.h"
#include "window_thread.h"

namespace sim {
namespace {

const wchar_t kFrameClass[] = L"IEFrame";

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* raw = reinterpret_cast<BrowserWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!raw)
        return DefWindowProcW(hwnd, msg, wp, lp);
    // The handlers below may drop the collection's reference to the window.
    auto w = raw->shared_from_this();
    switch (msg) {
        case WM_CLOSE:
            ++w->closeRequests;
            Log::Get().Write("wm_close", Utf8(w->name) + " hwnd=" + Hex(ULONG(UINT_PTR(hwnd))) +
                                             " count=" + std::to_string(w->closeRequests) +
                                             " wparam=" + std::to_string(wp) +
                                             " lparam=" + std::to_string(lp));
            if (!w->Settings().ignoreClose)
                DestroyWindow(hwnd);
            return 0;
        case kFrameApply:
            SetWindowTextW(hwnd, w->Settings().title.c_str());
            if (lp)
                PlaceFrame(*w, int(wp));
            InvalidateRect(hwnd, nullptr, TRUE);
            return 0;
        case kFrameUserClose:
            DestroyWindow(hwnd);
            return 0;
        case WM_DESTROY:
            Shell::Get().OnDestroyed(*w);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            RECT rc;
            GetClientRect(hwnd, &rc);
            FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
            InflateRect(&rc, -8, -8);
            const WindowProps p = w->Settings();
            std::wstring text = L"[" + w->name + L"] " + p.title + L"\n";
            text += p.doc == DocKind::Html    ? L"HTML page"
                    : p.doc == DocKind::Other ? L"other document"
                                              : L"no document";
            text += p.menubar ? L", menu bar" : L", no menu bar";
            if (p.fullscreen)
                text += L", full screen";
            text += L"\n" + std::to_wstring(p.width) + L" x " + std::to_wstring(p.height);
            if (p.opener != OpenerKind::None)
                text += L"\nopened by script";
            SetBkMode(dc, TRANSPARENT);
            DrawTextW(dc, text.c_str(), int(text.size()), &rc, DT_LEFT | DT_TOP | DT_WORDBREAK);
            EndPaint(hwnd, &ps);
            return 0;
        }
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

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
        if (p.doc != DocKind::None && w.document)
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

bool RegisterFrameClass(std::wstring& error) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FrameProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kFrameClass;
    if (!RegisterClassExW(&wc)) {
        error = L"cannot register the window class";
        return false;
    }
    return true;
}

HWND CreateFrame(BrowserWindow& w) {
    const WindowProps p = w.Settings();
    return CreateWindowExW(0, kFrameClass, p.title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                           CW_USEDEFAULT, p.width, p.height, nullptr, nullptr,
                           GetModuleHandleW(nullptr), &w);
}

void PlaceFrame(BrowserWindow& w, int index) {
    const WindowProps p = w.Settings();
    WINDOWPLACEMENT wp{};
    wp.length = sizeof wp;
    GetWindowPlacement(w.hwnd, &wp);
    int width = p.restoredWidth ? p.restoredWidth : p.width;
    int height = p.restoredHeight ? p.restoredHeight : p.height;
    int x = p.x >= 0 ? p.x : 20 + 24 * (index % 12);
    int y = p.y >= 0 ? p.y : 20 + 24 * (index % 12);
    wp.rcNormalPosition = {x, y, x + width, y + height};
    wp.showCmd = UINT(p.show);
    SetWindowPlacement(w.hwnd, &wp);
}

HRESULT HandOutBrowser(BrowserWindow& w, IDispatch** out) {
    if (w.thread)
        return w.thread->HandOut(out);
    return w.browser->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(out));
}

}  // namespace sim
