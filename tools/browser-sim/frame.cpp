#include "frame.h"

#include "com_util.h"
#include "shell.h"
#include "sim_log.h"

namespace sim {
namespace {

const wchar_t kFrameClass[] = L"IEFrame";
const wchar_t kFrameTabClass[] = L"Frame Tab";
const wchar_t kTabWindowClass[] = L"TabWindowClass";

void Paint(HWND hwnd, BrowserWindow& w) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_WINDOW));
    InflateRect(&rc, -8, -8);
    const WindowProps p = w.Settings();
    std::wstring text;
    if (auto tabs = w.frame->Tabs(); tabs.size() > 1) {
        text = L"tabs:";
        for (auto& t : tabs)
            text += (t.get() == &w ? L" *" : L"  ") + t->Settings().title;
        text += L"\n";
    }
    text += L"[" + w.name + L"] " + p.title + L"\n";
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
}

void FitTo(HWND child, HWND parent) {
    RECT rc;
    GetClientRect(parent, &rc);
    MoveWindow(child, 0, 0, rc.right, rc.bottom, TRUE);
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* raw = reinterpret_cast<Frame*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!raw)
        return DefWindowProcW(hwnd, msg, wp, lp);
    // The handlers below may drop the last tab's reference to the frame.
    auto f = raw->shared_from_this();
    switch (msg) {
        case WM_CLOSE:
            CloseFrame(*f, wp, lp);
            return 0;
        case kFrameApply: {
            auto tabs = f->Tabs();
            if (lp && !tabs.empty())
                PlaceFrame(*tabs[0], int(wp));
            ShowTabs(*f);
            return 0;
        }
        case kFrameUserClose:
        case kTabQuit:
            if (auto t = f->Tab(LONG(lp)))
                CloseOnFrameThread(*t);
            return 0;
        case WM_SIZE:
            for (auto& t : f->Tabs())
                FitTo(t->frameTab, hwnd);
            return 0;
        case WM_DESTROY:
            for (auto& t : f->Tabs())
                Shell::Get().OnDestroyed(*t);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

// Both windows of a tab: its "Frame Tab" and, inside, its "TabWindowClass".
LRESULT CALLBACK TabProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* raw = reinterpret_cast<BrowserWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!raw)
        return DefWindowProcW(hwnd, msg, wp, lp);
    auto w = raw->shared_from_this();
    switch (msg) {
        case WM_SIZE:
            if (HWND inner = GetWindow(hwnd, GW_CHILD))
                FitTo(inner, hwnd);
            return 0;
        case WM_PAINT:
            if (hwnd != w->tabWindow)
                break;
            Paint(hwnd, *w);
            return 0;
        case WM_DESTROY:
            if (hwnd == w->tabWindow)
                Shell::Get().OnDestroyed(*w);
            return 0;
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

bool AddTabWindows(BrowserWindow& w, Frame& f) {
    RECT rc;
    GetClientRect(f.hwnd, &rc);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    w.frameTab =
        CreateWindowExW(0, kFrameTabClass, L"", WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                        rc.right, rc.bottom, f.hwnd, nullptr, instance, &w);
    if (!w.frameTab)
        return false;
    w.tabWindow =
        CreateWindowExW(0, kTabWindowClass, w.Settings().title.c_str(), WS_CHILD | WS_VISIBLE, 0, 0,
                        rc.right, rc.bottom, w.frameTab, nullptr, instance, &w);
    if (!w.tabWindow) {
        DestroyWindow(w.frameTab);
        return false;
    }
    f.Add(w);
    ShowTabs(f);
    return true;
}

}  // namespace

bool RegisterFrameClasses(std::wstring& error) {
    const std::pair<const wchar_t*, WNDPROC> classes[] = {
        {kFrameClass, FrameProc}, {kFrameTabClass, TabProc}, {kTabWindowClass, TabProc}};
    for (auto& [name, proc] : classes) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
        if (name == kFrameClass)
            wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        wc.lpszClassName = name;
        if (!RegisterClassExW(&wc)) {
            error = L"cannot register the window classes";
            return false;
        }
    }
    return true;
}

bool CreateFrame(BrowserWindow& w) {
    const WindowProps p = w.Settings();
    auto f = std::make_shared<Frame>();
    f->name = w.name;
    f->first = &w;
    f->hwnd = CreateWindowExW(
        0, kFrameClass, p.title.c_str(), WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT,
        CW_USEDEFAULT, p.width, p.height, nullptr, nullptr, GetModuleHandleW(nullptr), f.get());
    if (!f->hwnd)
        return false;
    w.frame = f;
    w.hwnd = f->hwnd;
    if (AddTabWindows(w, *f))
        return true;
    DestroyWindow(f->hwnd);
    w.hwnd = nullptr;
    return false;
}

bool AddTab(BrowserWindow& w, BrowserWindow& host) {
    w.frame = host.frame;
    w.hwnd = host.frame->hwnd;
    return AddTabWindows(w, *w.frame);
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

void ShowTabs(Frame& f) {
    auto tabs = f.Tabs();
    if (tabs.empty())
        return;
    SetWindowTextW(f.hwnd, tabs.back()->Settings().title.c_str());
    for (auto& t : tabs) {
        SetWindowTextW(t->tabWindow, t->Settings().title.c_str());
        ShowWindow(t->frameTab, t == tabs.back() ? SW_SHOW : SW_HIDE);
        InvalidateRect(t->tabWindow, nullptr, TRUE);
    }
}

}  // namespace sim
