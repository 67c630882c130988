// What sim-client prints of one browser window: every property the program
// reads, the document's class name both ways, the opener chain; and what it
// does to a script-opened window when asked to act like the program.
#pragma once

#include <windows.h>

#include <exdisp.h>

#include <cstdio>
#include <string>

namespace sim {

inline void Print(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

inline std::string HexHr(HRESULT hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lx", static_cast<unsigned long>(hr));
    return buf;
}

// "fail" for E_FAIL, the scenario's failed read; "fail:HRESULT" for any other.
inline std::string Failed(HRESULT hr) {
    return hr == E_FAIL ? "fail" : "fail:" + HexHr(hr);
}

// A member read late-bound, by name, as a script reads it.
HRESULT GetMember(IDispatch* obj, const wchar_t* name, VARIANT* out);
std::string Describe(const VARIANT& v);

// Prints the window's line; with `act`, closes a script-opened window without a
// menu bar and marks any other script-opened one (opener="").
void DescribeWindow(int index, IWebBrowser2* browser, bool act);

}  // namespace sim
