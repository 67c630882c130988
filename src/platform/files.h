// The file system as the safe-list file needs it, and the system ANSI code
// page conversion used at every platform call that takes text.
#pragma once

#include <optional>
#include <string>

namespace shutterling::platform {

// Method names avoid DeleteFile/ReplaceFile: <windows.h> turns those into macros.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // A folder or an ordinary file of that name exists (hidden and system items do not count).
    virtual std::optional<bool> FolderOrFileExists(const std::wstring& path) = 0;
    // An ordinary file of that path exists (hidden and system files do not count).
    virtual std::optional<bool> FileExists(const std::wstring& path) = 0;
    virtual bool CreateFolder(const std::wstring& path) = 0;
    virtual bool RemoveFile(const std::wstring& path) = 0;
    // The whole file as bytes.
    virtual std::optional<std::string> ReadFile(const std::wstring& path) = 0;
    // Creates or empties the file and writes the bytes, flushed to disk. False
    // may leave a partial file behind.
    virtual bool WriteFile(const std::wstring& path, const std::string& bytes) = 0;
    // Puts source in place of target in one step, write-through. Refuses a
    // target that is read-only, hidden or system. False leaves both as they were.
    virtual bool ReplaceFileAtomically(const std::wstring& source, const std::wstring& target) = 0;
};

// Conversion between the program's wide strings and the system ANSI code page.
// Embedded NULs are carried through; characters the code page lacks become its
// default character.
class CodePage {
  public:
    virtual ~CodePage() = default;
    virtual std::string ToAnsi(const std::wstring& text) = 0;
    virtual std::wstring FromAnsi(const std::string& bytes) = 0;
};

}  // namespace shutterling::platform
