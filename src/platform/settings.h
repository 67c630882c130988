// The per-user application settings store: strings addressed by application
// name, section and key.
#pragma once

#include <optional>
#include <string>

namespace shutterling::platform {

class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // The stored text, or fallback when the key or value is absent. Empty when
    // the read fails, which includes a stored value that is not a string.
    virtual std::optional<std::wstring> GetSetting(const std::wstring& app,
                                                   const std::wstring& section,
                                                   const std::wstring& key,
                                                   const std::wstring& fallback) = 0;
    // Creates section and key as needed.
    virtual bool SaveSetting(const std::wstring& app, const std::wstring& section,
                             const std::wstring& key, const std::wstring& value) = 0;
};

}  // namespace shutterling::platform
