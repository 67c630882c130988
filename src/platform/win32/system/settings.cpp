// The settings store as string values under HKCU\Software\<app>\<section>.
#include <windows.h>

#include <new>

#include "platform/win32/system/persistence.h"

namespace shutterling::win32 {

namespace {

struct KeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return ::RegCloseKey(h) == ERROR_SUCCESS; }
};
using UniqueKey = detail::UniqueHandle<KeyTraits>;

std::string SubKey(CodePageImpl& codePage, const std::wstring& app, const std::wstring& section) {
    return "Software\\" + codePage.ToAnsi(app) + "\\" + codePage.ToAnsi(section);
}

}  // namespace

std::optional<std::wstring> SettingsStoreImpl::GetSetting(const std::wstring& app,
                                                          const std::wstring& section,
                                                          const std::wstring& key,
                                                          const std::wstring& fallback) {
    UniqueKey hkey;
    const LONG opened = ::RegOpenKeyExA(HKEY_CURRENT_USER, SubKey(codePage_, app, section).c_str(),
                                        0, KEY_QUERY_VALUE, hkey.put());
    if (opened == ERROR_FILE_NOT_FOUND)
        return fallback;
    if (opened != ERROR_SUCCESS)
        return std::nullopt;

    const std::string name = codePage_.ToAnsi(key);
    try {
        std::string data;
        DWORD type = 0;
        DWORD size = 0;
        LONG result = ::RegQueryValueExA(hkey.get(), name.c_str(), nullptr, &type, nullptr, &size);
        // The value may grow between the size query and the read.
        for (int attempt = 0; result == ERROR_SUCCESS || result == ERROR_MORE_DATA; ++attempt) {
            if (attempt == 8)
                return std::nullopt;
            data.assign(size + 1, '\0');
            size = static_cast<DWORD>(data.size());
            result = ::RegQueryValueExA(hkey.get(), name.c_str(), nullptr, &type,
                                        reinterpret_cast<BYTE*>(data.data()), &size);
            if (result == ERROR_SUCCESS)
                break;
        }
        if (result == ERROR_FILE_NOT_FOUND)
            return fallback;
        if (result != ERROR_SUCCESS)
            return std::nullopt;
        if (type != REG_SZ && type != REG_EXPAND_SZ)
            return std::nullopt;
        data.resize(size);
        // Stored data need not carry its NUL, or may carry more than one.
        data.resize(data.find('\0') == std::string::npos ? data.size() : data.find('\0'));
        return codePage_.FromAnsi(data);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

bool SettingsStoreImpl::SaveSetting(const std::wstring& app, const std::wstring& section,
                                    const std::wstring& key, const std::wstring& value) {
    UniqueKey hkey;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, SubKey(codePage_, app, section).c_str(), 0, nullptr,
                          REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, nullptr, hkey.put(),
                          nullptr) != ERROR_SUCCESS) {
        return false;
    }
    std::string data = codePage_.ToAnsi(value);
    data.push_back('\0');
    return ::RegSetValueExA(hkey.get(), codePage_.ToAnsi(key).c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

}  // namespace shutterling::win32
