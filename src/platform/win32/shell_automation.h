// The shell's collection of browser windows over IShellWindows and
// IWebBrowser2.
#pragma once

#include <windows.h>

#include <exdisp.h>
#include <wrl/client.h>

#include "platform/shell.h"
#include "platform/win32/shell_events.h"

namespace shutterling::win32 {

using Microsoft::WRL::ComPtr;

// {9BA05972-F6A8-11CF-A442-00A0C90A8F39}
inline constexpr GUID kCLSID_ShellWindows = {
    0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
// {85CB6900-4D95-11CF-960C-0080C7F4EE85}
inline constexpr GUID kIID_IShellWindows = {
    0x85cb6900, 0x4d95, 0x11cf, {0x96, 0x0c, 0x00, 0x80, 0xc7, 0xf4, 0xee, 0x85}};
// {D30C1661-CDAF-11D0-8A3E-00C04FC9E26E}
inline constexpr GUID kIID_IWebBrowser2 = {
    0xd30c1661, 0xcdaf, 0x11d0, {0x8a, 0x3e, 0x00, 0xc0, 0x4f, 0xc9, 0xe2, 0x6e}};

class ComBrowserWindow final : public platform::BrowserWindow {
  public:
    // A null browser stands for an item that is Nothing: every read fails.
    explicit ComBrowserWindow(ComPtr<IWebBrowser2> browser);

    std::optional<std::shared_ptr<platform::Dispatch>> Document() override;
    std::optional<bool> FullScreen() override;
    std::optional<bool> MenuBar() override;
    std::optional<std::wstring> LocationName() override;
    std::optional<std::int32_t> Width() override;
    std::optional<std::int32_t> Height() override;
    std::optional<platform::WindowHandle> Hwnd() override;
    std::uintptr_t Identity() const override { return identity_; }

  private:
    ComPtr<IWebBrowser2> browser_;
    std::uintptr_t identity_ = 0;
};

class ComWindowWalk final : public platform::WindowWalk {
  public:
    explicit ComWindowWalk(ComPtr<IEnumVARIANT> cursor) : cursor_(std::move(cursor)) {}
    Step Next() override;

  private:
    ComPtr<IEnumVARIANT> cursor_;
};

class ComShellWindows final : public platform::ShellWindows {
  public:
    ComShellWindows(ComPtr<IShellWindows> windows, ConnectionToken connection)
        : windows_(std::move(windows)), connection_(std::move(connection)) {}
    std::unique_ptr<platform::WindowWalk> Walk() override;

  private:
    ComPtr<IShellWindows> windows_;
    ConnectionToken connection_;  // declared last: unadvised before the collection goes
};

class ShellAutomationImpl final : public platform::ShellAutomation {
  public:
    std::shared_ptr<platform::ShellWindows> CreateShellWindows(
        WindowRegisteredHandler handler) override;
};

}  // namespace shutterling::win32
