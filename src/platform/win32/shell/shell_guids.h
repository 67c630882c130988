// The identities of the shell's window automation, shared with the tests' simulated shell.
#pragma once

#include <windows.h>

namespace shutterling::win32 {

// {9BA05972-F6A8-11CF-A442-00A0C90A8F39}
inline constexpr GUID kCLSID_ShellWindows = {
    0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
// {85CB6900-4D95-11CF-960C-0080C7F4EE85}
inline constexpr GUID kIID_IShellWindows = {
    0x85cb6900, 0x4d95, 0x11cf, {0x96, 0x0c, 0x00, 0x80, 0xc7, 0xf4, 0xee, 0x85}};
// {FE4106E0-399A-11D0-A48C-00A0C90A8F39}
inline constexpr GUID kDIID_DShellWindowsEvents = {
    0xfe4106e0, 0x399a, 0x11d0, {0xa4, 0x8c, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
inline constexpr DISPID kDispidWindowRegistered = 200;

}  // namespace shutterling::win32
