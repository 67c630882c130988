#include "platform/win32/system/application.h"

#include <algorithm>
#include <vector>

namespace shutterling::win32 {
namespace {

// Per session, so each user's logon runs its own copy.
constexpr wchar_t kInstanceMutex[] = L"Local\\Shutterling-7C3E51A2-2F0B-4D5E-9A61-3B8F04C2D9E7";

std::vector<HWND>& Forms() {
    static std::vector<HWND> forms;
    return forms;
}

}  // namespace

void FormLoaded(HWND hwnd) {
    Forms().push_back(hwnd);
}

void FormDestroyed(HWND hwnd) {
    auto& forms = Forms();
    const auto it = std::find(forms.begin(), forms.end(), hwnd);
    if (it == forms.end())
        return;
    forms.erase(it);
    if (forms.empty())
        PostQuitMessage(0);
}

bool PreTranslateFormMessage(MSG& msg) {
    if (!msg.hwnd)
        return false;
    const HWND top = GetAncestor(msg.hwnd, GA_ROOT);
    const auto& forms = Forms();
    if (std::find(forms.begin(), forms.end(), top) == forms.end())
        return false;
    return IsDialogMessageW(top, &msg) != FALSE;
}

std::wstring FolderOf(std::wstring_view path) {
    const auto slash = path.find_last_of(L"\\/");
    if (slash == std::wstring_view::npos)
        return std::wstring();
    std::wstring folder(path.substr(0, slash));
    // "C:\x.exe" lives in "C:\", not in the drive-relative "C:".
    if (folder.size() == 2 && folder[1] == L':')
        folder += L'\\';
    return folder;
}

std::wstring BaseNameOf(std::wstring_view path) {
    const auto slash = path.find_last_of(L"\\/");
    auto name = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of(L'.');
    if (dot != std::wstring_view::npos)
        name = name.substr(0, dot);
    return std::wstring(name);
}

void ApplicationImpl::DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the message loop, which ends the program.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (PreTranslateFormMessage(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

std::optional<bool> ApplicationImpl::PrevInstance() {
    // Asked once; a second CreateMutex would find our own mutex.
    if (!previous_) {
        SetLastError(ERROR_SUCCESS);
        instanceMutex_.reset(CreateMutexW(nullptr, FALSE, kInstanceMutex));
        if (!instanceMutex_) {
            previous_.emplace(std::nullopt);
        } else {
            previous_.emplace(GetLastError() == ERROR_ALREADY_EXISTS);
        }
    }
    return *previous_;
}

std::optional<std::wstring> ApplicationImpl::ModulePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return std::nullopt;
        if (length < buffer.size()) {
            buffer.resize(length);
            return buffer;
        }
        if (buffer.size() >= 32768)
            return std::nullopt;
        buffer.resize(buffer.size() * 2);
    }
}

std::optional<std::wstring> ApplicationImpl::Path() {
    auto path = ModulePath();
    if (!path)
        return std::nullopt;
    return FolderOf(*path);
}

std::optional<std::wstring> ApplicationImpl::ExeName() {
    auto path = ModulePath();
    if (!path)
        return std::nullopt;
    return BaseNameOf(*path);
}

void ApplicationImpl::End() {
    ExitProcess(0);
}

void ApplicationImpl::MsgBox(const std::wstring& text, const std::wstring& title,
                             std::uint32_t style) {
    // Owned by the active window of the program, as a notice from it is.
    MessageBoxW(GetActiveWindow(), text.c_str(), title.c_str(), style);
}

}  // namespace shutterling::win32
