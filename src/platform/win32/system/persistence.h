// The real file system, settings store, registry and code page. WinMain
// constructs these and hands them to the core through platform::Platform.
// This header stays free of <windows.h> so any translation unit can include it.
#pragma once

#include <set>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/settings.h"
#include "platform/win32/system/unique_handle.h"

namespace shutterling::win32 {

class CodePageImpl final : public platform::CodePage {
  public:
    std::string ToAnsi(const std::wstring& text) override;
    std::wstring FromAnsi(const std::string& bytes) override;
};

// Paths reach the ...A file APIs in the system ANSI code page.
class FileSystemImpl final : public platform::FileSystem {
  public:
    std::optional<bool> FolderOrFileExists(const std::wstring& path) override;
    std::optional<bool> FileExists(const std::wstring& path) override;
    bool CreateFolder(const std::wstring& path) override;
    bool RemoveFile(const std::wstring& path) override;
    std::optional<std::string> ReadFile(const std::wstring& path) override;
    bool WriteFile(const std::wstring& path, const std::string& bytes) override;
    bool ReplaceFileAtomically(const std::wstring& source, const std::wstring& target) override;

  private:
    CodePageImpl codePage_;
};

// HKCU\Software\<app>\<section>, value <key>, REG_SZ in the ANSI code page.
// REG_SZ and REG_EXPAND_SZ (not expanded) read as text, up to the first NUL;
// a value of any other type is a failed read, so the option keeps its initial
// value and the next save writes it back as a string.
class SettingsStoreImpl final : public platform::SettingsStore {
  public:
    std::optional<std::wstring> GetSetting(const std::wstring& app, const std::wstring& section,
                                           const std::wstring& key,
                                           const std::wstring& fallback) override;
    bool SaveSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                     const std::wstring& value) override;

  private:
    CodePageImpl codePage_;
};

// advapi32 as called. Keys the caller opened and never closed are closed when
// this object goes away.
class RegistryImpl final : public platform::Registry {
  public:
    RegistryImpl() = default;
    RegistryImpl(const RegistryImpl&) = delete;
    RegistryImpl& operator=(const RegistryImpl&) = delete;
    ~RegistryImpl() override;

    long RegOpenKeyExA(Key root, const std::string& subKey, std::uint32_t options,
                       std::uint32_t access, Key& key) override;
    long RegSetValueExA(Key key, const std::string& name, std::uint32_t type,
                        const std::string& data, std::uint32_t length) override;
    long RegDeleteValueA(Key key, const std::string& name) override;
    long RegCloseKey(Key key) override;

  private:
    std::set<Key> open_;
};

}  // namespace shutterling::win32
