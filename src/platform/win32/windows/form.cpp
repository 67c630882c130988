#include "platform/win32/windows/form.h"

#include "platform/win32/system/application.h"
#include "shutterling_res.h"

namespace shutterling::win32 {
namespace {

struct Placement {
    DWORD style;
    DWORD exStyle;
    const wchar_t* className;
};

Placement PlacementOf(ControlKind kind) {
    switch (kind) {
        case ControlKind::Frame:
            return {BS_GROUPBOX, 0, L"BUTTON"};
        case ControlKind::ListBox:
            return {LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE,
                    L"LISTBOX"};
        case ControlKind::CheckBox:
            // Not automatic: a click toggles 0/1 only, while the program may set 2.
            return {BS_3STATE | WS_TABSTOP, 0, L"BUTTON"};
        case ControlKind::Label:
            return {SS_LEFT, 0, L"STATIC"};
        case ControlKind::Link:
            // SS_NOTIFY: without it a static is transparent to the mouse.
            return {SS_LEFT | SS_NOTIFY, 0, L"STATIC"};
        case ControlKind::Button:
            return {BS_DEFPUSHBUTTON | WS_TABSTOP, 0, L"BUTTON"};
    }
    return {0, 0, L"STATIC"};
}

const ControlLayout* FindLayout(std::span<const ControlLayout> controls, int id) {
    for (const auto& control : controls) {
        if (control.id == id)
            return &control;
    }
    return nullptr;
}

HICON AppIcon(HINSTANCE instance, int metricX, int metricY) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_SHUTTERLING), IMAGE_ICON,
                                         GetSystemMetrics(metricX), GetSystemMetrics(metricY),
                                         LR_SHARED));
}

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

}  // namespace

int WindowDpi(HWND hwnd) {
    // Looked up at run time: the call exists only from Windows 10 on.
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && hwnd) {
        if (const UINT dpi = getDpiForWindow(hwnd))
            return static_cast<int>(dpi);
    }
    const HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

Form::~Form() {
    if (!hwnd_)
        return;
    // Detached first: a half-destroyed object must not receive the last messages.
    const HWND hwnd = hwnd_;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    hwnd_ = nullptr;
    FormDestroyed(hwnd);
    DestroyWindow(hwnd);
}

bool Form::CreateForm(const wchar_t* className, const wchar_t* caption, DWORD style, HWND owner) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Form::WndProc;
    wc.hInstance = instance_;
    wc.hIcon = AppIcon(instance_, SM_CXICON, SM_CYICON);
    wc.hIconSm = AppIcon(instance_, SM_CXSMICON, SM_CYSMICON);
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = className;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;

    if (!CreateWindowExW(0, className, caption, style, CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, owner,
                         nullptr, instance_, this))
        return false;

    const int dpi = WindowDpi(hwnd_);
    RECT frame{0, 0, TwipsToPixels(layout_.clientWidth, dpi),
               TwipsToPixels(layout_.clientHeight, dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    SetWindowPos(hwnd_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (CreateControls())
        return true;
    DestroyWindow(hwnd_);
    return false;
}

bool Form::CreateControls() {
    const int dpi = WindowDpi(hwnd_);
    // The dialog font at 8 points: the twip layouts were drawn around it, and
    // a larger system message font would clip the captions.
    LOGFONTW face{};
    face.lfHeight = -MulDiv(8, dpi, 72);
    face.lfWeight = FW_NORMAL;
    face.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(face.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
    font_.reset(CreateFontIndirectW(&face));
    // Links: MS Sans Serif 8.25 points, underlined.
    face.lfHeight = -MulDiv(825, dpi, 7200);
    face.lfUnderline = TRUE;
    face.lfCharSet = ANSI_CHARSET;
    lstrcpynW(face.lfFaceName, L"MS Sans Serif", LF_FACESIZE);
    linkFont_.reset(CreateFontIndirectW(&face));
    const auto fallback = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    for (const auto& control : layout_.controls) {
        int left = control.left;
        int top = control.top;
        if (const ControlLayout* container =
                control.container ? FindLayout(layout_.controls, control.container) : nullptr) {
            left += container->left;
            top += container->top;
        }
        const int x = TwipsToPixels(left, dpi);
        const int y = TwipsToPixels(top, dpi);
        const Placement placement = PlacementOf(control.kind);
        const HWND child = CreateWindowExW(
            placement.exStyle, placement.className, control.caption,
            WS_CHILD | WS_VISIBLE | placement.style, x, y,
            TwipsToPixels(left + control.width, dpi) - x,
            TwipsToPixels(top + control.height, dpi) - y, hwnd_,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
        if (!child)
            return false;
        const HFONT font = control.kind == ControlKind::Link ? linkFont_.get() : font_.get();
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font ? font : fallback), FALSE);
    }
    return true;
}

void Form::CentreOnScreen() {
    RECT window{};
    GetWindowRect(hwnd_, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor))
        return;
    const RECT& work = monitor.rcWork;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                 work.top + (work.bottom - work.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Form::IsLink(int id) const {
    const ControlLayout* control = FindLayout(layout_.controls, id);
    return control && control->kind == ControlKind::Link;
}

void Form::PaintLines(HDC dc) {
    const int dpi = WindowDpi(hwnd_);
    for (const auto& line : layout_.lines) {
        const int width = MulDiv(line.width, dpi, 96);
        const HPEN pen =
            CreatePen(PS_INSIDEFRAME, width > 0 ? width : 1, RGB(line.grey, line.grey, line.grey));
        if (!pen)
            continue;
        const HGDIOBJ old = SelectObject(dc, pen);
        MoveToEx(dc, TwipsToPixels(line.x1, dpi), TwipsToPixels(line.y1, dpi), nullptr);
        LineTo(dc, TwipsToPixels(line.x2, dpi), TwipsToPixels(line.y2, dpi));
        SelectObject(dc, old);
        DeleteObject(pen);
    }
}

LRESULT Form::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (const HDC dc = BeginPaint(hwnd_, &paint)) {
                PaintLines(dc);
                EndPaint(hwnd_, &paint);
            }
            OnPaint();
            return 0;
        }
        case WM_COMMAND: {
            int id = LOWORD(wParam);
            int code = HIWORD(wParam);
            // The dialog manager's Enter and Esc, as clicks of their buttons.
            if (id == IDOK && layout_.defaultButton) {
                id = layout_.defaultButton;
                code = BN_CLICKED;
            } else if (id == IDCANCEL && layout_.cancelButton) {
                id = layout_.cancelButton;
                code = BN_CLICKED;
            }
            OnCommand(id, code);
            return 0;
        }
        case DM_GETDEFID:
            if (layout_.defaultButton)
                return MAKELRESULT(layout_.defaultButton, DC_HASDEFID);
            break;
        case WM_CTLCOLORSTATIC: {
            const HWND control = reinterpret_cast<HWND>(lParam);
            if (!IsLink(GetDlgCtrlID(control)))
                break;
            const HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, kLinkColour);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_SETCURSOR: {
            const HWND control = reinterpret_cast<HWND>(wParam);
            if (control != hwnd_ && LOWORD(lParam) == HTCLIENT) {
                if (const HANDLE cursor = GetPropW(control, kMouseIconProperty)) {
                    SetCursor(static_cast<HCURSOR>(cursor));
                    return TRUE;
                }
            }
            break;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
        FormLoaded(hwnd);
    }
    if (!self)
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        self->hwnd_ = nullptr;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        FormDestroyed(hwnd);
        return DefWindowProcW(hwnd, msg, wParam, lParam);
    }
    try {
        return self->OnMessage(msg, wParam, lParam);
    } catch (...) {
        // Nothing may unwind through the window manager; the message counts as handled.
        return 0;
    }
}

}  // namespace shutterling::win32
