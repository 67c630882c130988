// The shell's collection of browser windows over IShellWindows and
// IWebBrowser2.
#pragma once

#include <windows.h>

#include <exdisp.h>
#include <wrl/client.h>

#include "platform/shell.h"
#include "platform/win32/shell_events.h"
#include "platform/win32/shell_guids.h"

namespace shutterling::win32 {

using Microsoft::WRL::ComPtr;

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
