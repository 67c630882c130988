#include "platform/win32/tray_hook.h"

#include <cstring>

#include "tray/tray_icon.h"

namespace shutterling::win32 {

NOTIFYICONDATAA ToNotifyIconData(const platform::TrayRecord& record) {
    NOTIFYICONDATAA data{};
    data.cbSize = record.cbSize;
#ifdef _WIN64
    if (record.cbSize == kTrayRecordSize)
        data.cbSize = NOTIFYICONDATAA_V1_SIZE;
#else
    static_assert(NOTIFYICONDATAA_V1_SIZE == kTrayRecordSize);
#endif
    data.hWnd = reinterpret_cast<HWND>(record.hWnd);
    data.uID = record.uID;
    data.uFlags = record.uFlags;
    data.uCallbackMessage = record.uCallbackMessage;
    data.hIcon = reinterpret_cast<HICON>(record.hIcon);
    static_assert(sizeof(data.szTip) >= sizeof(record.szTip));
    std::memcpy(data.szTip, record.szTip.data(), record.szTip.size());
    return data;
}

void TrayImpl::ShellNotifyIcon(platform::TrayOp op, const platform::TrayRecord& record) {
    NOTIFYICONDATAA data = ToNotifyIconData(record);
    Shell_NotifyIconA(static_cast<DWORD>(op), &data);
}

std::intptr_t TrayImpl::InstallTrayWndProc(platform::WindowHandle hwnd) {
    return static_cast<std::intptr_t>(SetWindowLongPtrA(reinterpret_cast<HWND>(hwnd), GWLP_WNDPROC,
                                                        reinterpret_cast<LONG_PTR>(&TrayWndProc)));
}

void TrayImpl::RestoreWndProc(platform::WindowHandle hwnd, std::intptr_t previous) {
    SetWindowLongPtrA(reinterpret_cast<HWND>(hwnd), GWLP_WNDPROC, static_cast<LONG_PTR>(previous));
}

LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    // The tray callbacks (menu on right-button up, show on double-click) are
    // acted on here, before the message is handed on.
    // lngOldWndProc is what InstallWindowHook saved, the one copy of it.
    return CallWindowProcA(reinterpret_cast<WNDPROC>(modCommon::lngOldWndProc), hwnd, msg, wParam,
                           lParam);
}

}  // namespace shutterling::win32
