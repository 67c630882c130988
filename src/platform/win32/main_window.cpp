#include "platform/win32/main_window.h"

#include <commctrl.h>

#include "platform/win32/application.h"
#include "platform/win32/layout.h"
#include "shutterling_res.h"

namespace shutterling::win32 {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;  // fixed single, no min/max
constexpr DWORD kExStyle = 0;

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
        case ControlKind::Button:
            return {BS_DEFPUSHBUTTON | WS_TABSTOP, 0, L"BUTTON"};
    }
    return {0, 0, L"STATIC"};
}

const ControlLayout* FindLayout(int id) {
    for (const auto& control : kMainLayout) {
        if (control.id == id)
            return &control;
    }
    return nullptr;
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

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {}

MainWindow::~MainWindow() {
    if (hwnd_)
        DestroyWindow(hwnd_);
}

bool MainWindow::Create() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &MainWindow::WndProc;
    wc.hInstance = instance_;
    wc.hIcon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_SHUTTERLING),
                                             IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                             GetSystemMetrics(SM_CYICON), LR_SHARED));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_SHUTTERLING),
                                               IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                               GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = SHUTTERLING_MAIN_CLASS;
    if (!RegisterClassExW(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return false;

    // Never a message-only window: broadcasts such as the taskbar's
    // re-creation reach top-level windows only.
    const HWND hwnd =
        CreateWindowExW(kExStyle, SHUTTERLING_MAIN_CLASS, SHUTTERLING_MAIN_TITLE, kStyle,
                        CW_USEDEFAULT, CW_USEDEFAULT, 0, 0, nullptr, nullptr, instance_, this);
    if (!hwnd)
        return false;
    // Broadcast by a new taskbar, for instance when Explorer restarts.
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    LoadPictures();

    const int dpi = WindowDpi(hwnd);
    RECT frame{0, 0, TwipsToPixels(kMainClientWidth, dpi), TwipsToPixels(kMainClientHeight, dpi)};
    AdjustWindowRectEx(&frame, kStyle, FALSE, kExStyle);
    SetWindowPos(hwnd, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    return CreateControls();
}

bool MainWindow::CreateControls() {
    const int dpi = WindowDpi(hwnd_);
    // The dialog font at 8 points: the twip layout was drawn around it, and
    // a larger system message font would clip the captions.
    LOGFONTW face{};
    face.lfHeight = -MulDiv(8, dpi, 72);
    face.lfWeight = FW_NORMAL;
    face.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(face.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
    font_.reset(CreateFontIndirectW(&face));
    const HFONT font = font_ ? font_.get() : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));

    for (const auto& control : kMainLayout) {
        int left = control.left;
        int top = control.top;
        if (const ControlLayout* container =
                control.container ? FindLayout(control.container) : nullptr) {
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
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    return true;
}

void MainWindow::LoadPictures() {
    // Owned copies (no LR_SHARED): released with the window object at exit.
    const auto load = [this](int id, int size) {
        return UniqueIcon(static_cast<HICON>(
            LoadImageW(instance_, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0)));
    };
    const int big = GetSystemMetrics(SM_CXICON);
    const int small = GetSystemMetrics(SM_CXSMICON);
    imgEnabled_ = {load(IDI_SHUTTERLING, big), load(IDI_SHUTTERLING, small)};
    imgDisabled_ = {load(IDI_DISABLED, big), load(IDI_DISABLED, small)};
}

void MainWindow::SetWindowIcon(platform::Image image) {
    if (!hwnd_)
        return;
    const Picture& picture = image == platform::Image::imgEnabled ? imgEnabled_ : imgDisabled_;
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(picture.big.get()));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(picture.small.get()));
}

void MainWindow::Show() {
    // Showing a shown window changes nothing, the focus included.
    if (!hwnd_ || IsWindowVisible(hwnd_))
        return;
    if (!centred_) {
        // Centred on the screen the first time; later showings keep the place.
        centred_ = true;
        RECT window{};
        GetWindowRect(hwnd_, &window);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof(monitor);
        if (GetMonitorInfoW(MonitorFromWindow(hwnd_, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
            const RECT& work = monitor.rcWork;
            const int width = window.right - window.left;
            const int height = window.bottom - window.top;
            SetWindowPos(hwnd_, nullptr, work.left + (work.right - work.left - width) / 2,
                         work.top + (work.bottom - work.top - height) / 2, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
    // Every showing starts on Done, wherever the focus was when it hid.
    focus_ = Done();
    ShowWindow(hwnd_, SW_SHOW);
    if (GetActiveWindow() == hwnd_)
        SetFocus(focus_);
}

void MainWindow::Hide() {
    if (hwnd_)
        ShowWindow(hwnd_, SW_HIDE);
}

void MainWindow::Unload() {
    RequestClose(kUnloadFormCode);
}

std::uintptr_t MainWindow::Icon() {
    if (!hwnd_)
        return 0;
    auto icon = SendMessageW(hwnd_, WM_GETICON, ICON_SMALL, 0);
    if (!icon)
        icon = static_cast<LRESULT>(GetClassLongPtrW(hwnd_, GCLP_HICONSM));
    if (!icon)
        icon = static_cast<LRESULT>(GetClassLongPtrW(hwnd_, GCLP_HICON));
    return static_cast<std::uintptr_t>(icon);
}

bool MainWindow::QueryUnload(std::int16_t mode) {
    if (!hwnd_ || unloading_)
        return false;
    std::int16_t cancel = 0;
    if (form_)
        form_->QueryUnload(cancel, mode);
    return cancel == 0;
}

void MainWindow::FinishUnload() {
    if (!hwnd_ || unloading_)
        return;
    unloading_ = true;
    if (form_)
        form_->Unload();
    if (hwnd_)
        DestroyWindow(hwnd_);
}

void MainWindow::RequestClose(std::int16_t mode) {
    if (QueryUnload(mode))
        FinishUnload();
}

void MainWindow::OnCommand(int id, int code) {
    switch (id) {
        case IDC_CHKBEEP:
            if (code == BN_CLICKED)
                chkBeep.Toggle();
            break;
        case IDC_CHKRESET:
            if (code == BN_CLICKED)
                chkReset.Toggle();
            break;
        case IDC_CHKWINDOWSTARTUP:
            if (code == BN_CLICKED)
                chkWindowStartup.Toggle();
            break;
        case IDC_CMDDONE:
            // A click, Alt+D, or Enter (Done is the default button).
            if (code == BN_CLICKED && form_)
                form_->DoneClick();
            break;
        case IDC_LSTPOPUPS:
            if (code == LBN_DBLCLK && form_)
                form_->PopupsDblClick();
            break;
        case IDC_LSTSAFE:
            if (code == LBN_DBLCLK && form_)
                form_->SafeDblClick();
            break;
        case IDM_SETTINGS:
        case IDM_DISABLE:
        case IDM_ABOUT:
        case IDM_EXIT:
            if (form_)
                form_->MenuClick(id);
            break;
        default:
            break;
    }
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (taskbarCreated_ && msg == taskbarCreated_) {
        if (form_)
            form_->TaskbarCreated();
        return 0;
    }
    switch (msg) {
        case WM_ACTIVATE:
            // DefWindowProc would focus the window itself; keep the control's.
            if (LOWORD(wParam) == WA_INACTIVE) {
                const HWND focus = GetFocus();
                if (focus && IsChild(hwnd_, focus))
                    focus_ = focus;
            } else if (!HIWORD(wParam)) {
                SetFocus(focus_ && IsChild(hwnd_, focus_) ? focus_ : Done());
            }
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            if (BeginPaint(hwnd_, &paint))
                EndPaint(hwnd_, &paint);
            if (form_)
                form_->Paint();
            return 0;
        }
        case WM_SYSCOMMAND:
            // The close box and the system menu's Close arrive as SC_CLOSE and
            // become WM_CLOSE inside DefWindowProc; any other WM_CLOSE was
            // posted from outside.
            if ((wParam & 0xFFF0) == SC_CLOSE) {
                closeFromSystemMenu_ = true;
                const LRESULT result = DefWindowProcW(hwnd_, msg, wParam, lParam);
                closeFromSystemMenu_ = false;
                return result;
            }
            break;
        case WM_CLOSE:
            RequestClose(closeFromSystemMenu_ ? kUnloadFormControlMenu : kUnloadAppTaskManager);
            return 0;
        case WM_QUERYENDSESSION:
            return QueryUnload(kUnloadAppWindows) ? TRUE : FALSE;
        case WM_ENDSESSION:
            // The process may be ended as soon as this returns: shut down now.
            if (wParam)
                FinishUnload();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case DM_GETDEFID:
            // Enter presses Done, as in a dialog.
            return MAKELRESULT(IDC_CMDDONE, DC_HASDEFID);
        default:
            break;
    }
    return DefWindowProcW(hwnd_, msg, wParam, lParam);
}

LRESULT CALLBACK MainWindow::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (msg == WM_NCCREATE) {
        self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
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
