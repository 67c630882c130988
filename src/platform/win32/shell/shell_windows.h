// The shell's collection of browser windows: joined with its subscription, and walked.
#pragma once

#include <exdisp.h>

#include "platform/win32/shell/shell_events.h"
#include "platform/win32/shell/window_walk.h"

namespace shutterling::win32 {

class ComShellWindows final : public platform::ShellWindows {
  public:
    ComShellWindows(RemoteRef<IShellWindows> windows, ConnectionToken connection, Answerer shell)
        : windows_(std::move(windows)), shell_(shell), connection_(std::move(connection)) {}

    std::unique_ptr<platform::WindowWalk> Walk() override {
        if (!windows_)
            return nullptr;
        auto cursor = CallRemote<RemoteRef<IEnumVARIANT>>(
            shell_,
            [windows = windows_, shell = shell_](DWORD deadline) -> RemoteRef<IEnumVARIANT> {
                ComPtr<IUnknown> enumerator;
                IEnumVARIANT* cursor = nullptr;
                if (FAILED(
                        RetryWhileBusy(deadline, [&] { return windows->_NewEnum(&enumerator); })) ||
                    !enumerator || FAILED(enumerator->QueryInterface(IID_PPV_ARGS(&cursor))))
                    return nullptr;
                return AdoptRemote(cursor, shell);
            });
        if (!cursor || !*cursor)
            return nullptr;
        return std::make_unique<ComWindowWalk>(std::move(*cursor), shell_);
    }

  private:
    RemoteRef<IShellWindows> windows_;
    Answerer shell_;
    ConnectionToken connection_;  // declared last: unadvised before the collection goes
};

class ShellAutomationImpl final : public platform::ShellAutomation {
  public:
    std::shared_ptr<platform::ShellWindows> CreateShellWindows(
        WindowRegisteredHandler handler) override {
        struct Created {
            RemoteRef<IShellWindows> windows;
            ConnectionToken connection;
        };
        auto created = CallRemote<Created>(
            shell_,
            [handler = std::move(handler),
             shell = shell_](DWORD) mutable -> std::optional<Created> {
                IShellWindows* windows = nullptr;
                if (FAILED(CoCreateInstance(kCLSID_ShellWindows, nullptr, CLSCTX_ALL,
                                            kIID_IShellWindows,
                                            reinterpret_cast<void**>(&windows))))
                    return std::nullopt;
                Created out{AdoptRemote(windows, shell), nullptr};
                out.connection = AdviseShellEvents(windows, std::move(handler), shell);
                return out;
            });
        if (!created || !created->connection)
            return nullptr;
        auto joined = std::make_shared<ComShellWindows>(std::move(created->windows),
                                                        std::move(created->connection), shell_);
        ++shell_;  // far below any object's address, which is every other answerer
        return joined;
    }

  private:
    // Who answers the shell's calls: a shell that was joined and then
    // restarted is another answerer than the one that hung or died. Tries
    // that fail stay with one, so a shell that does not answer costs one wait.
    Answerer shell_ = kShell;
};

}  // namespace shutterling::win32
