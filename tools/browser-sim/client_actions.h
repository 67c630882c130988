// What sim-client does to chosen windows after its first walk, each named by
// its LocationName (or "#N", its place): Quit it, close it, read it, or read
// its opener's Parent.closed, or its page, with a bounded wait.
#pragma once

#include <windows.h>

#include <exdisp.h>

#include <string>

namespace sim {

struct Action {
    std::wstring verb;  // --quit, --quit-by-id, --close, --reads, --closed-of or --page
    std::wstring title;
    DWORD waitMs = 0;  // --closed-of, --page: how long to wait for the answers
};

// Prints what the action did; false when it left a call that may never return.
bool RunAction(IShellWindows* shell, const Action& action);

// A hidden top-level window waits up to `ms` for the shell's "TaskbarCreated"
// broadcast; true if it came. Prints the window, then the message or a timeout.
bool AwaitTaskbarCreated(DWORD ms);

}  // namespace sim
