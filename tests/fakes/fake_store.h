// In-memory settings store, registry, file system and code page. Every call is
// logged; every operation can be made to fail.
#pragma once

#include <cstdint>
#include <functional>
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
    std::set<std::wstring> failingReads;
    std::set<std::wstring> failingWrites;

    std::optional<std::wstring> GetSetting(const std::wstring& app, const std::wstring& section,
                                           const std::wstring& key,
                                           const std::wstring& fallback) override {
        log_.Add("GetSetting " + Narrow(app) + "/" + Narrow(section) + "/" + Narrow(key) + " " +
                 Narrow(fallback));
        if (failingKeys.count(key) || failingReads.count(key))
            return std::nullopt;
        auto it = values.find({app, section, key});
        return it == values.end() ? fallback : it->second;
    }
    bool SaveSetting(const std::wstring& app, const std::wstring& section, const std::wstring& key,
                     const std::wstring& value) override {
        log_.Add("SaveSetting " + Narrow(app) + "/" + Narrow(section) + "/" + Narrow(key) + "=" +
                 Narrow(value));
        if (failingKeys.count(key) || failingWrites.count(key))
            return false;
        values[{app, section, key}] = value;
        return true;
    }
    std::optional<std::wstring> Stored(const std::wstring& key) const {
        auto it = values.find({L"Shutterling", L"Options", key});
        if (it == values.end())
            return std::nullopt;
        return it->second;
    }

  private:
    CallLog& log_;
};

class FakeRegistry : public platform::Registry {
  public:
    explicit FakeRegistry(CallLog& log) : log_(log) {}
    long openResult = 0;
    long setResult = 0;
    long closeResult = 0;
    Key nextKey = 0x1234;
    std::map<std::string, std::pair<std::uint32_t, std::string>> runValues;  // name -> (type, data)
    std::set<Key> openKeys;

    long RegOpenKeyExA(Key root, const std::string& subKey, std::uint32_t options,
                       std::uint32_t access, Key& key) override {
        log_.Add("RegOpenKeyExA " + std::to_string(root) + " " + subKey + " " +
                 std::to_string(options) + " " + std::to_string(access));
        if (openResult == 0) {
            key = nextKey;
            openKeys.insert(key);
        }
        return openResult;
    }
    long RegSetValueExA(Key key, const std::string& name, std::uint32_t type,
                        const std::string& data, std::uint32_t length) override {
        log_.Add("RegSetValueExA " + std::to_string(key) + " " + name + " " + std::to_string(type) +
                 " " + std::to_string(length));
        if (!openKeys.count(key) || length > data.size())
            return 87;  // ERROR_INVALID_PARAMETER
        if (setResult == 0)
            runValues[name] = {type, data.substr(0, length)};
        return setResult;
    }
    long RegDeleteValueA(Key key, const std::string& name) override {
        log_.Add("RegDeleteValueA " + std::to_string(key) + " " + name);
        if (!openKeys.count(key))
            return 6;  // ERROR_INVALID_HANDLE
        return runValues.erase(name) ? 0 : 2;
    }
    long RegCloseKey(Key key) override {
        log_.Add("RegCloseKey " + std::to_string(key));
        if (!openKeys.erase(key))
            return 6;
        return closeResult;
    }

  private:
    CallLog& log_;
};

// Files and folders by full path. Hidden items are invisible to the existence
// tests; read-only and hidden files cannot be replaced, written or deleted.
class FakeFileSystem : public platform::FileSystem {
  public:
    explicit FakeFileSystem(CallLog& log) : log_(log) {}
    // The fake application's folder of the executable is there from the start.
    std::set<std::wstring> folders{L"C:\\Tools"};
    std::map<std::wstring, std::string> files;
    std::set<std::wstring> readOnly;
    std::set<std::wstring> hidden;
    // Operations by name ("WriteFile", "ReplaceFileAtomically", ...) that fail.
    std::set<std::string> failing;
    // Finer control: fail when this answers true for (operation, path).
    std::function<bool(const std::string&, const std::wstring&)> failWhen;
    // How many bytes a failing WriteFile leaves behind (none: no file is created).
    std::optional<std::size_t> partialWrite;
    // Runs after every call, to look at the files at each step.
    std::function<void()> afterEachCall;

    // The disk of another fake (folders, files, attributes), not its faults.
    void CopyDiskFrom(const FakeFileSystem& other) {
        folders = other.folders;
        files = other.files;
        readOnly = other.readOnly;
        hidden = other.hidden;
    }

    std::optional<bool> FolderOrFileExists(const std::wstring& path) override {
        Step step(*this, "FolderOrFileExists", path);
        if (step.fails)
            return std::nullopt;
        return !hidden.count(path) && (folders.count(path) > 0 || files.count(path) > 0);
    }
    std::optional<bool> FileExists(const std::wstring& path) override {
        Step step(*this, "FileExists", path);
        if (step.fails)
            return std::nullopt;
        return !hidden.count(path) && files.count(path) > 0;
    }
    bool CreateFolder(const std::wstring& path) override {
        Step step(*this, "CreateFolder", path);
        if (step.fails || files.count(path) || !ParentIsFolder(path))
            return false;
        return folders.insert(path).second;
    }
    bool RemoveFile(const std::wstring& path) override {
        Step step(*this, "RemoveFile", path);
        if (step.fails || Protected(path))
            return false;
        return files.erase(path) > 0;
    }
    std::optional<std::string> ReadFile(const std::wstring& path) override {
        Step step(*this, "ReadFile", path);
        auto it = files.find(path);
        if (step.fails || it == files.end())
            return std::nullopt;
        return it->second;
    }
    bool WriteFile(const std::wstring& path, const std::string& bytes) override {
        Step step(*this, "WriteFile", path);
        if (!ParentIsFolder(path) || folders.count(path) || Protected(path))
            return false;
        if (step.fails) {
            if (partialWrite)
                files[path] = bytes.substr(0, *partialWrite);
            return false;
        }
        files[path] = bytes;
        return true;
    }
    bool ReplaceFileAtomically(const std::wstring& source, const std::wstring& target) override {
        Step step(*this, "ReplaceFileAtomically", source + L" " + target);
        auto it = files.find(source);
        if (step.fails || it == files.end() || Protected(target) || folders.count(target))
            return false;
        files[target] = std::move(it->second);
        files.erase(source);
        return true;
    }

  private:
    // Logs the call on entry and runs afterEachCall on exit.
    struct Step {
        Step(FakeFileSystem& fs, const std::string& op, const std::wstring& path) : fs_(fs) {
            fs.log_.Add(op + " " + Narrow(path));
            fails = fs.failing.count(op) || (fs.failWhen && fs.failWhen(op, path));
        }
        ~Step() {
            if (fs_.afterEachCall)
                fs_.afterEachCall();
        }
        FakeFileSystem& fs_;
        bool fails = false;
    };
    bool Protected(const std::wstring& path) const {
        return readOnly.count(path) > 0 || hidden.count(path) > 0;
    }
    bool ParentIsFolder(const std::wstring& path) const {
        const auto slash = path.rfind(L'\\');
        return slash == std::wstring::npos || folders.count(path.substr(0, slash)) > 0;
    }

    CallLog& log_;
};

// Latin-1 stands in for the ANSI code page; characters beyond it become '?'.
// Bytes listed in undefinedBytes have no character, as in a real code page's
// gaps: they read as U+FFFD, which writes back as '?'.
class FakeCodePage : public platform::CodePage {
  public:
    std::set<unsigned char> undefinedBytes;

    std::string ToAnsi(const std::wstring& text) override {
        std::string s;
        s.reserve(text.size());
        for (wchar_t c : text)
            s.push_back(c < 256 ? static_cast<char>(c) : '?');
        return s;
    }
    std::wstring FromAnsi(const std::string& bytes) override {
        std::wstring w;
        w.reserve(bytes.size());
        for (char c : bytes) {
            const auto b = static_cast<unsigned char>(c);
            w.push_back(undefinedBytes.count(b) ? L'\xFFFD' : static_cast<wchar_t>(b));
        }
        return w;
    }
};

}  // namespace shutterling::fakes
