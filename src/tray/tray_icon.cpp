// Adding and removing the notification-area icon and the window hook that
// serves it.
#include "tray/tray_icon.h"

#include <algorithm>

#include "app/frmMain.h"

namespace shutterling {
namespace {

platform::TrayRecord FullRecord(frmMain& form, const std::wstring& tooltip) {
    platform::TrayRecord record;
    record.cbSize = kTrayRecordSize;
    record.hWnd = form.platform.window.Handle();
    record.uID = 0;
    record.uFlags = kTrayFlags;
    record.uCallbackMessage = WM_TRAYICON;
    record.hIcon = form.platform.window.Icon();
    record.szTip = TooltipField(form.platform.codePage.ToAnsi(tooltip));
    return record;
}

std::wstring EnabledTooltip(const frmMain& form) {
    return form.blnEnabled ? L"Shutterling Enabled" : L"Shutterling Disabled";
}

}  // namespace

std::array<char, 64> TooltipField(const std::string& ansiText) {
    std::array<char, 64> field;
    field.fill(' ');
    const auto length = std::min<std::size_t>(ansiText.size(), field.size() - 1);
    std::copy_n(ansiText.begin(), length, field.begin());
    field[length] = '\0';
    return field;
}

void frmMain::AddTrayIcon() {
    // Always the enabled tooltip: start-up has just switched blocking on.
    platform.tray.ShellNotifyIcon(platform::TrayOp::Add, FullRecord(*this, L"Shutterling Enabled"));
}

void frmMain::InstallWindowHook() {
    modCommon::trayForm = this;
    modCommon::lngOldWndProc = platform.tray.InstallTrayWndProc(platform.window.Handle());
}

void frmMain::RefreshTrayIcon() {
    platform.tray.ShellNotifyIcon(platform::TrayOp::Modify,
                                  FullRecord(*this, EnabledTooltip(*this)));
}

void frmMain::TaskbarCreated() {
    // A new taskbar knows no icons: add ours again as it looks now. The shell
    // that held the collection was restarted with it: join the new one.
    if (!loaded_)
        return;
    platform.tray.ShellNotifyIcon(platform::TrayOp::Add, FullRecord(*this, EnabledTooltip(*this)));
    joinAnew_ = true;
    JoinShell();
}

void frmMain::RemoveTrayIcon() {
    platform::TrayRecord record;  // everything but the icon's identity stays zero
    record.cbSize = kTrayRecordSize;
    record.hWnd = platform.window.Handle();
    record.uID = 0;
    platform.tray.ShellNotifyIcon(platform::TrayOp::Delete, record);
}

void frmMain::RemoveWindowHook() {
    platform.tray.RestoreWndProc(platform.window.Handle(), modCommon::lngOldWndProc);
}

}  // namespace shutterling
