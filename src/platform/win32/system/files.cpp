// The safe-list file's operations on the ...A file APIs.
#include <windows.h>

#include <algorithm>
#include <new>

#include "platform/win32/system/persistence.h"

namespace shutterling::win32 {

namespace {

struct FileTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static bool Close(Handle h) { return ::CloseHandle(h) != 0; }
};
using UniqueFile = detail::UniqueHandle<FileTraits>;

constexpr DWORD kHiddenOrSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Attributes, INVALID_FILE_ATTRIBUTES when nothing is there, empty when the
// question itself failed (access denied to the folder, for example).
std::optional<DWORD> Attributes(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES)
        return attributes;
    switch (::GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_NAME:
        case ERROR_BAD_NETPATH:
        case ERROR_DIRECTORY:
            return INVALID_FILE_ATTRIBUTES;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<bool> FileSystemImpl::FolderOrFileExists(const std::wstring& path) {
    const auto attributes = Attributes(codePage_.ToAnsi(path));
    if (!attributes)
        return std::nullopt;
    return *attributes != INVALID_FILE_ATTRIBUTES && (*attributes & kHiddenOrSystem) == 0;
}

std::optional<bool> FileSystemImpl::FileExists(const std::wstring& path) {
    const auto attributes = Attributes(codePage_.ToAnsi(path));
    if (!attributes)
        return std::nullopt;
    return *attributes != INVALID_FILE_ATTRIBUTES &&
           (*attributes & (kHiddenOrSystem | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

bool FileSystemImpl::CreateFolder(const std::wstring& path) {
    return ::CreateDirectoryA(codePage_.ToAnsi(path).c_str(), nullptr) != 0;
}

bool FileSystemImpl::RemoveFile(const std::wstring& path) {
    return ::DeleteFileA(codePage_.ToAnsi(path).c_str()) != 0;
}

std::optional<std::string> FileSystemImpl::ReadFile(const std::wstring& path) {
    UniqueFile file(::CreateFileA(codePage_.ToAnsi(path).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file)
        return std::nullopt;
    try {
        std::string bytes;
        char buffer[64 * 1024];
        for (;;) {
            DWORD got = 0;
            if (!::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr))
                return std::nullopt;
            if (got == 0)
                return bytes;
            bytes.append(buffer, got);
        }
    } catch (const std::bad_alloc&) {
        // A file too large for memory is a failed read, not a crash.
        return std::nullopt;
    }
}

bool FileSystemImpl::WriteFile(const std::wstring& path, const std::string& bytes) {
    UniqueFile file(::CreateFileA(codePage_.ToAnsi(path).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    std::size_t done = 0;
    while (done < bytes.size()) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - done, 1u << 20);
        DWORD wrote = 0;
        if (!::WriteFile(file.get(), bytes.data() + done, static_cast<DWORD>(chunk), &wrote,
                         nullptr) ||
            wrote == 0) {
            return false;
        }
        done += wrote;
    }
    // The replace that follows must never see data still in the cache.
    if (!::FlushFileBuffers(file.get()))
        return false;
    return file.reset();
}

bool FileSystemImpl::ReplaceFileAtomically(const std::wstring& source, const std::wstring& target) {
    const std::string targetAnsi = codePage_.ToAnsi(target);
    const auto attributes = Attributes(targetAnsi);
    if (!attributes)
        return false;
    // Windows refuses to overwrite such files with a created file; keep that
    // outcome instead of letting the rename replace a file the load never read.
    if (*attributes != INVALID_FILE_ATTRIBUTES &&
        (*attributes & (FILE_ATTRIBUTE_READONLY | kHiddenOrSystem | FILE_ATTRIBUTE_DIRECTORY))) {
        return false;
    }
    return ::MoveFileExA(codePage_.ToAnsi(source).c_str(), targetAnsi.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

}  // namespace shutterling::win32
