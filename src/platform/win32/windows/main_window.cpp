#include "platform/win32/windows/main_window.h"

#include "shutterling_res.h"

namespace shutterling::win32 {
namespace {

constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;  // fixed single, no min/max

struct OtherWindowSearch {
    HWND self;
    HWND found;
};

BOOL CALLBACK FindOtherVisible(HWND hwnd, LPARAM lParam) {
    auto& search = *reinterpret_cast<OtherWindowSearch*>(lParam);
    if (hwnd == search.self || !IsWindowVisible(hwnd))
        return TRUE;
    search.found = hwnd;
    return FALSE;
}

// Another visible top-level window of this thread (the About window that
// outlives the main one), or null.
HWND OtherVisibleWindow(HWND self) {
    OtherWindowSearch search{self, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), FindOtherVisible, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

MainWindow::~MainWindow() = default;

bool MainWindow::Create() {
    // Never a message-only window: broadcasts such as the taskbar's
    // re-creation reach top-level windows only.
    if (!CreateForm(SHUTTERLING_MAIN_CLASS, SHUTTERLING_MAIN_TITLE, kStyle, nullptr))
        return false;
    // Broadcast by a new taskbar, for instance when Explorer restarts.
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    LoadPictures();
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

void MainWindow::SetWindowIcon(platform::WindowPicture image) {
    if (!hwnd_)
        return;
    const Picture& picture =
        image == platform::WindowPicture::imgEnabled ? imgEnabled_ : imgDisabled_;
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
        CentreOnScreen();
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

// The one timer of the window, by this id.
constexpr UINT_PTR kTimerId = 1;

void MainWindow::SetTimer(std::uint32_t intervalMs) {
    if (!hwnd_)
        return;
    if (intervalMs)
        ::SetTimer(hwnd_, kTimerId, intervalMs, nullptr);
    else
        KillTimer(hwnd_, kTimerId);
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
    if (!hwnd_)
        return;
    // Active (the tray menu made it so), its going would hand the activation to
    // whatever window comes next, often a browser over a window of ours that
    // keeps the process alive: that window gets it instead.
    if (GetActiveWindow() == hwnd_) {
        if (HWND other = OtherVisibleWindow(hwnd_))
            SetForegroundWindow(other);
    }
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

void MainWindow::OnPaint() {
    if (form_)
        form_->Paint();
}

LRESULT MainWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (taskbarCreated_ && msg == taskbarCreated_) {
        if (form_)
            form_->TaskbarCreated();
        return 0;
    }
    switch (msg) {
        case WM_TIMER:
            if (wParam == kTimerId && form_)
                form_->Timer();
            return 0;
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
        default:
            break;
    }
    return Form::OnMessage(msg, wParam, lParam);
}

}  // namespace shutterling::win32
