// The shell's collection: joined with its subscription, and walked.
#include "platform/win32/shell/shell_windows.h"

#include <exdisp.h>

#include "platform/win32/shell/late_bound.h"
#include "platform/win32/shell/shell_events.h"
#include "platform/win32/shell/window_walk.h"

namespace shutterling::win32 {
namespace {

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

std::unique_ptr<platform::WindowWalk> ComShellWindows::Walk() {
    if (!windows_)
        return nullptr;
    auto cursor = CallRemote<RemoteRef<IEnumVARIANT>>(
        shell_, [windows = windows_, shell = shell_](DWORD deadline) -> RemoteRef<IEnumVARIANT> {
            ComPtr<IUnknown> enumerator;
            if (FAILED(RetryWhileBusy(deadline, [&] { return windows->_NewEnum(&enumerator); })) ||
                !enumerator) {
                return nullptr;
            }
            IEnumVARIANT* cursor = nullptr;
            if (FAILED(enumerator->QueryInterface(IID_PPV_ARGS(&cursor))))
                return nullptr;
            return AdoptRemote(cursor, shell);
        });
    if (!cursor || !*cursor)
        return nullptr;
    return std::make_unique<ComWindowWalk>(std::move(*cursor), shell_);
}

}  // namespace

std::shared_ptr<platform::ShellWindows> ShellAutomationImpl::CreateShellWindows(
    WindowRegisteredHandler handler) {
    struct Created {
        RemoteRef<IShellWindows> windows;
        ConnectionToken connection;
    };
    auto created = CallRemote<Created>(
        shell_,
        [handler = std::move(handler), shell = shell_](DWORD) mutable -> std::optional<Created> {
            IShellWindows* windows = nullptr;
            if (FAILED(CoCreateInstance(kCLSID_ShellWindows, nullptr, CLSCTX_ALL,
                                        kIID_IShellWindows, reinterpret_cast<void**>(&windows)))) {
                return std::nullopt;
            }
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

}  // namespace shutterling::win32
