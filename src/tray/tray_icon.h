// The tray record as the program fills it, the saved window procedure and
// the replacement procedure that serves the tray icon.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/tray.h"

namespace shutterling {

inline constexpr std::uint32_t WM_TRAYICON = 1400;
inline constexpr std::uint32_t kTrayRecordSize = 88;
inline constexpr std::uint32_t kTrayFlags = 7;  // NIF_MESSAGE | NIF_ICON | NIF_TIP
// The mouse messages in a tray callback's lParam that the program acts on
// (WM_LBUTTONDBLCLK, WM_RBUTTONUP).
inline constexpr std::intptr_t kWmLButtonDblClk = 515;
inline constexpr std::intptr_t kWmRButtonUp = 517;

// The tooltip field: the ANSI text (at most 63 bytes), one NUL, then spaces
// to the full 64 bytes.
std::array<char, 64> TooltipField(const std::string& ansiText);

class frmMain;

namespace modCommon {
// The main window's procedure before the hook; written once by InstallWindowHook.
inline std::intptr_t lngOldWndProc = 0;
// The window object whose window the hook serves; set by InstallWindowHook.
inline frmMain* trayForm = nullptr;

// The main window's procedure while the hook is in place: a right-button click
// on the icon opens the tray menu, a left double-click shows the window, and
// every message is then handed on to lngOldWndProc, whose result it returns.
std::intptr_t TrayWndProc(platform::WindowHandle hWnd, std::uint32_t uMsg, std::uintptr_t wParam,
                          std::intptr_t lParam);
}  // namespace modCommon

}  // namespace shutterling
