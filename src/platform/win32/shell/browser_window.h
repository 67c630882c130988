// A browser window of the shell's collection, read through its own IDispatch.
#pragma once

#include "platform/shell.h"
#include "platform/win32/shell/walk_memo.h"

namespace shutterling::win32 {

class ComBrowserWindow final : public platform::BrowserWindow {
  public:
    // A null browser stands for an item that is Nothing: every read fails.
    // Its identity stays its own while the browser is held.
    ComBrowserWindow(RemoteRef<IDispatch> browser, Answerer identity,
                     std::shared_ptr<WalkMemo> memo = nullptr)
        : browser_(std::move(browser)), identity_(identity), memo_(std::move(memo)) {}

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

}  // namespace shutterling::win32
