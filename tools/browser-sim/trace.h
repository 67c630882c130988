// With --trace the log gets every property read of a window, with its value,
// and every call that reaches the process through COM.
#pragma once

#include <windows.h>

#include <string>

namespace sim {

class BrowserWindow;

void TraceRead(const BrowserWindow& w, const char* member, HRESULT hr,
               const std::string& value = {});

// Hooks the COM channel of the process to log each call that reaches it.
void TraceCalls();

}  // namespace sim
