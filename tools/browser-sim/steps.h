// The scenario as it runs: its file read line by line (in follow mode as it
// grows) and each step done in turn on the shell.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace sim {

// Runs the message loop until done() holds or the time is up; true if done() held.
bool Pump(DWORD timeoutMs, const std::function<bool()>& done);

// Runs the scenario to its end or to a "quit" step: 0, or 2 after a malformed step.
int RunScenario(const std::wstring& path, bool follow);

}  // namespace sim
