// The Run-key value that starts the program at logon.
#pragma once

#include <string>

namespace shutterling::store {

inline constexpr char kRunKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// folder, one backslash, the name, ".exe"; in quotes when it holds a space.
std::wstring StartupCommand(const std::wstring& folder, const std::wstring& exeName);

}  // namespace shutterling::store
