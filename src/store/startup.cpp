// Start-with-Windows: the program's path under the per-user Run key.
#include "store/startup.h"

#include "app/frmMain.h"

namespace shutterling {

namespace store {

std::wstring StartupCommand(const std::wstring& folder, const std::wstring& exeName) {
    // The folder is used as reported: one ending in a backslash gives two.
    std::wstring path = folder + L"\\" + exeName + L".exe";
    // Unquoted, Windows tries "C:\My" first at logon, and such entries are
    // known to fail or to start another program.
    if (path.find(L' ') != std::wstring::npos)
        path = L"\"" + path + L"\"";
    return path;
}

}  // namespace store

void SetStartWithWindows(platform::Platform& platform, const bool& flag) {
    platform::Registry& registry = platform.registry;
    platform::Registry::Key key = 0;
    if (registry.RegOpenKeyExA(platform::kHkeyCurrentUser, store::kRunKey, 0, platform::kKeyWrite,
                               key) != 0) {
        return;
    }
    const std::string name = platform.codePage.ToAnsi(platform.app.Title());
    if (flag) {
        const auto folder = platform.app.Path();
        const auto exeName = platform.app.ExeName();
        // Without the facts there is no path to name; the key is still closed.
        if (folder && exeName) {
            std::string data = platform.codePage.ToAnsi(store::StartupCommand(*folder, *exeName));
            data.push_back('\0');
            registry.RegSetValueExA(key, name, platform::kRegSz, data,
                                    static_cast<std::uint32_t>(data.size()));
        }
    } else {
        registry.RegDeleteValueA(key, name);
    }
    registry.RegCloseKey(key);
}

}  // namespace shutterling
