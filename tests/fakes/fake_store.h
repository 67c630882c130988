// In-memory settings store, registry, file system and code page.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <tuple>

#include "fakes/call_log.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "platform/settings.h"

namespace shutterling::fakes {

class FakeSettingsStore : public platform::SettingsStore {
public:
    explicit FakeSettingsStore(CallLog& log) : log_(log) {}
    std::map<std::tuple<std::wstring, std::wstring, std::wstring>, std::wstring> values;
    std::set<std::wstring> failingKeys;  // reads and writes of these keys fail

    std::optional<std::wstring> GetSetting(const std::wstring& app, const std::wstring& section,
                                           const std::wstring& key,
                                           const std::wstring& fallback) override {
        log_.Add("GetSetting " + Narrow(app) + "/" + Narrow(section) + "/" + Narrow(key));
        if (failingKeys.count(key)) return std::nullopt;
        auto it = values.find({app, section, key});
        return it == values.end() ? fallback : it->second;
    }
    bool SaveSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                     const std::wstring& value) override {
        log_.Add("SaveSetting " + Narrow(app) + "/" + Narrow(section) + "/" + Narrow(key) + "=" +
                 Narrow(value));
        if (failingKeys.count(key)) return false;
        values[{app, section, key}] = value;
        return true;
    }

private:
    CallLog& log_;
};

class FakeRegistry : public platform::Registry {
public:
    explicit FakeRegistry(CallLog& log) : log_(log) {}
    long openResult = 0;
    std::map<std::string, std::pair<std::uint32_t, std::string>> runValues;  // name -> (type, data)

    long RegOpenKeyExA(Key root, const std::string& subKey, std::uint32_t options,
                       std::uint32_t access, Key& key) override {
        log_.Add("RegOpenKeyExA " + std::to_string(root) + " " + subKey + " " +
                 std::to_string(options) + " " + std::to_string(access));
        if (openResult == 0) key = 0x1234;
        return openResult;
    }
    long RegSetValueExA(Key, const std::string& name, std::uint32_t type, const std::string& data,
                        std::uint32_t length) override {
        log_.Add("RegSetValueExA " + name + " " + std::to_string(type) + " " +
                 std::to_string(length));
        runValues[name] = {type, data.substr(0, length)};
        return 0;
    }
    long RegDeleteValueA(Key, const std::string& name) override {
        log_.Add("RegDeleteValueA " + name);
        return runValues.erase(name) ? 0 : 2;
    }
    long RegCloseKey(Key) override {
        log_.Add("RegCloseKey");
        return 0;
    }

private:
    CallLog& log_;
};

class FakeFileSystem : public platform::FileSystem {
public:
    explicit FakeFileSystem(CallLog& log) : log_(log) {}
    std::set<std::wstring> folders;
    std::map<std::wstring, std::string> files;

    std::optional<bool> FolderOrFileExists(const std::wstring& path) override {
        log_.Add("FolderOrFileExists " + Narrow(path));
        return folders.count(path) > 0 || files.count(path) > 0;
    }
    std::optional<bool> FileExists(const std::wstring& path) override {
        log_.Add("FileExists " + Narrow(path));
        return files.count(path) > 0;
    }
    bool CreateFolder(const std::wstring& path) override {
        log_.Add("CreateFolder " + Narrow(path));
        return folders.insert(path).second;
    }
    bool DeleteFile(const std::wstring& path) override {
        log_.Add("DeleteFile " + Narrow(path));
        return files.erase(path) > 0;
    }
    std::optional<std::string> ReadFile(const std::wstring& path) override {
        log_.Add("ReadFile " + Narrow(path));
        auto it = files.find(path);
        if (it == files.end()) return std::nullopt;
        return it->second;
    }
    bool WriteFile(const std::wstring& path, const std::string& bytes) override {
        log_.Add("WriteFile " + Narrow(path));
        files[path] = bytes;
        return true;
    }
    bool ReplaceFile(const std::wstring& source, const std::wstring& target) override {
        log_.Add("ReplaceFile " + Narrow(source) + " " + Narrow(target));
        auto it = files.find(source);
        if (it == files.end()) return false;
        files[target] = it->second;
        files.erase(it);
        return true;
    }

private:
    CallLog& log_;
};

// Latin-1 stands in for the ANSI code page; characters beyond it become '?'.
class FakeCodePage : public platform::CodePage {
public:
    std::string ToAnsi(const std::wstring& text) override {
        std::string s;
        for (wchar_t c : text) s.push_back(c < 256 ? static_cast<char>(c) : '?');
        return s;
    }
    std::wstring FromAnsi(const std::string& bytes) override {
        std::wstring w;
        for (char c : bytes) w.push_back(static_cast<wchar_t>(static_cast<unsigned char>(c)));
        return w;
    }
};

}  // namespace shutterling::fakes
