// Wide text <-> the system ANSI code page, lengths explicit so embedded NULs survive.
#include <windows.h>

#include <climits>

#include "platform/win32/system/persistence.h"

namespace shutterling::win32 {

std::string CodePageImpl::ToAnsi(const std::wstring& text) {
    // The API counts in int; no text of the program comes near that.
    if (text.empty() || text.size() > INT_MAX / 4)
        return {};
    const int length = static_cast<int>(text.size());
    const int needed =
        ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return {};
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    const int written = ::WideCharToMultiByte(CP_ACP, 0, text.data(), length, bytes.data(), needed,
                                              nullptr, nullptr);
    bytes.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return bytes;
}

std::wstring CodePageImpl::FromAnsi(const std::string& bytes) {
    if (bytes.empty() || bytes.size() > INT_MAX / 4)
        return {};
    const int length = static_cast<int>(bytes.size());
    // No MB_ERR_INVALID_CHARS: a byte the code page lacks becomes its default
    // character instead of failing the whole line.
    const int needed = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, nullptr, 0);
    if (needed <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(needed), L'\0');
    const int written = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), length, text.data(), needed);
    text.resize(written > 0 ? static_cast<std::size_t>(written) : 0);
    return text;
}

}  // namespace shutterling::win32
