// The tray record as the program fills it, and the saved window procedure.
#pragma once

#include <cstdint>
#include <string>

#include "platform/tray.h"

namespace shutterling {

inline constexpr std::uint32_t WM_TRAYICON = 1400;
inline constexpr std::uint32_t kTrayRecordSize = 88;
inline constexpr std::uint32_t kTrayFlags = 7;  // NIF_MESSAGE | NIF_ICON | NIF_TIP

// The tooltip field: the ANSI text (at most 63 bytes), one NUL, then spaces
// to the full 64 bytes.
std::array<char, 64> TooltipField(const std::string& ansiText);

namespace modCommon {
// The main window's procedure before the hook; written once by InstallWindowHook.
inline std::intptr_t lngOldWndProc = 0;
}  // namespace modCommon

}  // namespace shutterling
