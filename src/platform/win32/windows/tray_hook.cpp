#include "platform/win32/windows/tray_hook.h"

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

std::intptr_t TrayImpl::CallWindowProcA(std::intptr_t proc, platform::WindowHandle hwnd,
                                        std::uint32_t msg, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
    return static_cast<std::intptr_t>(
        ::CallWindowProcA(reinterpret_cast<WNDPROC>(proc), reinterpret_cast<HWND>(hwnd), msg,
                          static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

LRESULT CALLBACK TrayWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept {
    try {
        if (modCommon::trayForm)
            return static_cast<LRESULT>(modCommon::TrayWndProc(
                reinterpret_cast<platform::WindowHandle>(hwnd), msg,
                static_cast<std::uintptr_t>(wParam), static_cast<std::intptr_t>(lParam)));
    } catch (...) {
        // Nothing may unwind through the window manager; the message counts as handled.
        return 0;
    }
    // Hooked without a window object behind it: only hand the message on.
    return ::CallWindowProcA(reinterpret_cast<WNDPROC>(modCommon::lngOldWndProc), hwnd, msg, wParam,
                             lParam);
}

}  // namespace shutterling::win32
