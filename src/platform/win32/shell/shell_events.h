// The subscription to the shell's window events.
#pragma once

#include <memory>

#include "platform/shell.h"
#include "platform/win32/shell/remote_calls.h"
#include "platform/win32/shell/shell_guids.h"

namespace shutterling::win32 {

struct Subscription;
// The sink hears no more, and the Unadvise is said on a worker through the
// connection point just before its last release: the shut-down does not wait.
struct Unsubscribe {
    void operator()(Subscription* subscription) const noexcept;
};
using ConnectionToken = std::unique_ptr<Subscription, Unsubscribe>;

// Subscribes a new sink for the handler; null when the object has no such
// connection point or refuses the sink.
ConnectionToken AdviseShellEvents(IUnknown* source,
                                  platform::ShellAutomation::WindowRegisteredHandler handler,
                                  Answerer shell = kShell);

}  // namespace shutterling::win32
