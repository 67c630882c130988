// advapi32 exactly as the start-with-Windows registration calls it.
#include <windows.h>

#include <algorithm>

#include "platform/win32/system/persistence.h"

namespace shutterling::win32 {

namespace {
HKEY AsHkey(platform::Registry::Key key) {
    return reinterpret_cast<HKEY>(key);
}
}  // namespace

RegistryImpl::~RegistryImpl() {
    for (Key key : open_)
        ::RegCloseKey(AsHkey(key));
}

long RegistryImpl::RegOpenKeyExA(Key root, const std::string& subKey, std::uint32_t options,
                                 std::uint32_t access, Key& key) {
    HKEY opened = nullptr;
    const LONG result = ::RegOpenKeyExA(AsHkey(root), subKey.c_str(), options, access, &opened);
    if (result == ERROR_SUCCESS) {
        key = reinterpret_cast<Key>(opened);
        open_.insert(key);
    }
    return result;
}

long RegistryImpl::RegSetValueExA(Key key, const std::string& name, std::uint32_t type,
                                  const std::string& data, std::uint32_t length) {
    const auto size = static_cast<DWORD>(std::min<std::size_t>(length, data.size()));
    return ::RegSetValueExA(AsHkey(key), name.c_str(), 0, type,
                            reinterpret_cast<const BYTE*>(data.data()), size);
}

long RegistryImpl::RegDeleteValueA(Key key, const std::string& name) {
    return ::RegDeleteValueA(AsHkey(key), name.c_str());
}

long RegistryImpl::RegCloseKey(Key key) {
    open_.erase(key);
    return ::RegCloseKey(AsHkey(key));
}

}  // namespace shutterling::win32
