// What sim-client does to chosen windows after its first walk, each named by
// its LocationName: Quit it, close it, read it, or read its opener's
// Parent.closed with a bounded wait.
#pragma once

#include <windows.h>

#include <exdisp.h>

#include <string>

namespace sim {

struct Action {
    std::wstring verb;  // --quit, --quit-by-id, --close, --reads or --closed-of
    std::wstring title;
    DWORD waitMs = 0;  // --closed-of: how long to wait for the answer
};

// Prints what the action did; false when it left a call that may never return.
bool RunAction(IShellWindows* shell, const Action& action);

}  // namespace sim
