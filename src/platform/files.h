// The file system as the safe-list file needs it, and the system ANSI code
// page conversion used at every platform call that takes text.
#pragma once

#include <optional>
#include <string>

namespace shutterling::platform {

class FileSystem {
public:
    virtual ~FileSystem() = default;
    // A folder or an ordinary file of that name exists (hidden and system items do not count).
    virtual std::optional<bool> FolderOrFileExists(const std::wstring& path) = 0;
    // An ordinary file of that path exists (hidden and system files do not count).
    virtual std::optional<bool> FileExists(const std::wstring& path) = 0;
    virtual bool CreateFolder(const std::wstring& path) = 0;
    virtual bool DeleteFile(const std::wstring& path) = 0;
    // The whole file as bytes.
    virtual std::optional<std::string> ReadFile(const std::wstring& path) = 0;
    // Creates or empties the file and writes the bytes, flushed to disk.
    virtual bool WriteFile(const std::wstring& path, const std::string& bytes) = 0;
    // Replaces target with source in one step (write-through); false leaves both as they were.
    virtual bool ReplaceFile(const std::wstring& source, const std::wstring& target) = 0;
};

// Conversion between the program's wide strings and the system ANSI code page.
class CodePage {
public:
    virtual ~CodePage() = default;
    virtual std::string ToAnsi(const std::wstring& text) = 0;
    virtual std::wstring FromAnsi(const std::string& bytes) = 0;
};

}  // namespace shutterling::platform
