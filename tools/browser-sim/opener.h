// A popup's window.opener as its settings say (opener=, closed=): nothing, an
// empty or null value, a stand-in object, or the window object of the page
// that opened it, which that page's own thread answers.
#pragma once

#include <string>

#include "window.h"

namespace sim {

// Gives the window's window object its opener, on the shell's thread. False,
// with a message, when the opener it names is not open.
bool SetOpener(BrowserWindow& window, std::wstring& error);

}  // namespace sim
