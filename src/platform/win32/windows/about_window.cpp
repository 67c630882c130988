#include "platform/win32/windows/about_window.h"

#include <shellapi.h>

#include "shutterling_res.h"

namespace shutterling::win32 {
namespace {

// Fixed border: caption and close box, no minimize or maximize box, no sizing.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;

}  // namespace

std::uintptr_t CursorImage::Picture() {
    return reinterpret_cast<std::uintptr_t>(LoadImageW(
        instance_, MAKEINTRESOURCEW(IDCUR_HAND), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
}

AboutWindow::~AboutWindow() {
    // Before the members go: destroying the owner destroys the window too.
    events_ = nullptr;
    Unload();
}

bool AboutWindow::Load(platform::AboutEvents& events) {
    if (hwnd_)
        return true;
    owner_.reset(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                 instance_, nullptr));
    if (!owner_ || !CreateForm(SHUTTERLING_ABOUT_CLASS, L"About", kStyle, owner_.get())) {
        owner_.reset();
        return false;
    }
    events_ = &events;
    centre_ = true;
    events.Form_Load();
    return true;
}

void AboutWindow::Show() {
    if (!hwnd_)
        return;
    if (centre_) {
        centre_ = false;
        CentreOnScreen();
    }
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(GetDlgItem(hwnd_, IDC_CMDOK));
}

void AboutWindow::Unload() {
    if (hwnd_)
        DestroyWindow(hwnd_);
    owner_.reset();
}

void AboutWindow::OnCommand(int id, int code) {
    if (!events_)
        return;
    switch (id) {
        case IDC_CMDOK:
            // A click, Enter (the default button) or Esc (the cancel button).
            if (code == BN_CLICKED)
                events_->cmdOK_Click();
            break;
        // A double-click on a link opens it once: its first half is the click,
        // and the STN_DBLCLK of its second half launches nothing more.
        case IDC_LBLURL:
            if (code == STN_CLICKED)
                events_->lblURL_Click();
            break;
        case IDC_LBLCONTACT:
            if (code == STN_CLICKED)
                events_->lblContact_Click();
            break;
        default:
            break;
    }
}

LRESULT AboutWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_CLOSE:
            // The close box unloads, as OK does.
            Unload();
            return 0;
        case WM_ACTIVATE:
            // OK is the only control that takes the focus; it gets it back
            // whenever the window becomes active.
            if (LOWORD(wParam) != WA_INACTIVE)
                SetFocus(GetDlgItem(hwnd_, IDC_CMDOK));
            return 0;
        default:
            break;
    }
    return Form::OnMessage(msg, wParam, lParam);
}

void ShellLauncherImpl::ShellExecuteA(platform::WindowHandle owner,
                                      const std::optional<std::string>& operation,
                                      const std::string& file,
                                      const std::optional<std::string>& parameters,
                                      const std::string& directory, int show) {
    ::ShellExecuteA(reinterpret_cast<HWND>(owner), operation ? operation->c_str() : nullptr,
                    file.c_str(), parameters ? parameters->c_str() : nullptr, directory.c_str(),
                    show);
}

}  // namespace shutterling::win32
