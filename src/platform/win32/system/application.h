// Application services: pending events, the single-instance test, the
// executable's folder and name, and the bookkeeping of loaded windows that
// decides when the process ends.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "platform/toolkit.h"
#include "platform/win32/system/unique_handle.h"

namespace shutterling::win32 {

// The program's top-level windows. The process ends (WM_QUIT) when the last
// one is destroyed.
void FormLoaded(HWND hwnd);
void FormDestroyed(HWND hwnd);
// Keyboard navigation of the form the message is for; true when it was used.
bool PreTranslateFormMessage(MSG& msg);

// The folder part of a full path, with a trailing backslash only for a root
// ("C:\"); and the file name without its extension.
std::wstring FolderOf(std::wstring_view path);
std::wstring BaseNameOf(std::wstring_view path);

struct HandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return CloseHandle(h) != FALSE; }
};
using UniqueHandle = detail::UniqueHandle<HandleTraits>;

class ApplicationImpl final : public platform::Application {
  public:
    void DoEvents() override;
    std::optional<bool> PrevInstance() override;
    std::optional<std::wstring> Path() override;
    std::optional<std::wstring> ExeName() override;
    std::wstring Title() override { return L"Shutterling"; }
    [[noreturn]] void End() override;
    void MsgBox(const std::wstring& text, const std::wstring& title, std::uint32_t style) override;

  private:
    std::optional<std::wstring> ModulePath();

    // Held for the life of the process: its existence is the "already running" flag.
    UniqueHandle instanceMutex_;
    std::optional<std::optional<bool>> previous_;
};

}  // namespace shutterling::win32
