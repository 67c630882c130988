// The shell's collection of browser windows over IShellWindows and
// IWebBrowser2. Every call goes through RemoteCalls: made on a worker of the
// multithreaded apartment, waited for a bounded time.
#pragma once

#include <windows.h>

#include <exdisp.h>

#include <vector>

#include "platform/shell.h"
#include "platform/win32/shell/shell_events.h"
#include "platform/win32/shell/walk_memo.h"

namespace shutterling::win32 {

class ComBrowserWindow final : public platform::BrowserWindow {
  public:
    // A null browser stands for an item that is Nothing: every read fails.
    // Its identity stays its own while the browser is held.
    ComBrowserWindow(RemoteRef<IDispatch> browser, Answerer identity,
                     std::shared_ptr<WalkMemo> memo = nullptr);

    platform::Read<std::shared_ptr<platform::Dispatch>> Document() override;
    platform::Read<bool> FullScreen() override;
    platform::Read<bool> MenuBar() override;
    platform::Read<std::wstring> LocationName() override;
    platform::Read<std::int32_t> Width() override;
    platform::Read<std::int32_t> Height() override;
    platform::Read<platform::WindowHandle> Hwnd() override;
    bool Quit() override;
    std::uintptr_t Identity() const override { return identity_; }

  private:
    RemoteRef<IDispatch> browser_;
    Answerer identity_;
    std::shared_ptr<WalkMemo> memo_;
};

// Windows a walk asks the cursor for at once.
inline constexpr ULONG kWalkBatch = 16;

class ComWindowWalk final : public platform::WindowWalk {
  public:
    explicit ComWindowWalk(RemoteRef<IEnumVARIANT> cursor, Answerer shell = kShell,
                           std::shared_ptr<WalkMemo> memo = PassScope::Memo())
        : cursor_(std::move(cursor)), shell_(shell), memo_(std::move(memo)) {}
    Step Next() override;

    struct Item {
        Step::Status status;
        RemoteRef<IDispatch> browser;  // null for an item that is Nothing
        Answerer identity = 0;
    };

  private:
    RemoteRef<IEnumVARIANT> cursor_;
    Answerer shell_;
    std::shared_ptr<WalkMemo> memo_;
    std::vector<Item> ahead_;  // fetched; those from next_ on not handed out yet
    std::size_t next_ = 0;
    bool ended_ = false;
};

class ComShellWindows final : public platform::ShellWindows {
  public:
    ComShellWindows(RemoteRef<IShellWindows> windows, ConnectionToken connection, Answerer shell)
        : windows_(std::move(windows)), shell_(shell), connection_(std::move(connection)) {}
    std::unique_ptr<platform::WindowWalk> Walk() override;

  private:
    RemoteRef<IShellWindows> windows_;
    Answerer shell_;
    ConnectionToken connection_;  // declared last: unadvised before the collection goes
};

class ShellAutomationImpl final : public platform::ShellAutomation {
  public:
    std::shared_ptr<platform::ShellWindows> CreateShellWindows(
        WindowRegisteredHandler handler) override;

  private:
    // Who answers the shell's calls: a shell that was joined and then
    // restarted is another answerer than the one that hung or died. Tries
    // that fail stay with one, so a shell that does not answer costs one wait.
    Answerer shell_ = kShell;
};

}  // namespace shutterling::win32
