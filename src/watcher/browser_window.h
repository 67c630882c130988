// What the judgment asks of one browser window and its document: is it an
// HTML window, was it opened by script, and the judged mark.
#pragma once

#include <optional>

#include "platform/shell.h"

namespace shutterling::watcher {

inline constexpr std::wstring_view kHtmlDocument = L"HTMLDocument";

// True when the window's document reports the class name "HTMLDocument";
// empty when the document or its class name cannot be read.
std::optional<bool> IsHtmlWindow(platform::BrowserWindow& window);

// True when parentwindow.opener of the document holds an object (even an
// empty reference); empty when parentwindow or opener cannot be read.
std::optional<bool> IsScriptOpened(platform::Dispatch& document);

// Marks the window as judged: its opener then reads as a string. False when
// the assignment failed; callers ignore that.
bool ClearOpener(platform::Dispatch& document);

// parentwindow.opener.Parent.closed as a true/false; empty when any link of
// the chain cannot be read, which is what happens once the opener page is gone.
std::optional<bool> ReadOpenerClosed(platform::Dispatch& document);

}  // namespace shutterling::watcher
