// What the judgment asks of one browser window and its document: is it an
// HTML window, was it opened by script, and the judged mark.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "platform/shell.h"

namespace shutterling {
class frmMain;
}

// The chains of reads below stop at the first link after which the program
// is no longer loaded: a shut-down can run inside any of their reads.
namespace shutterling::watcher {

inline constexpr std::wstring_view kHtmlDocument = L"HTMLDocument";

// How long the reads in its scope wait for a browser: briefly where a window
// that does not answer is only left for later (a walk's look at each window),
// in full where an unanswered read would decide (the size test, the opener
// probe, the close request, the marking at start-up). Nested scopes restore
// what the outer one set.
class Waits {
  public:
    Waits(const frmMain& form, bool brief);
    ~Waits();
    Waits(const Waits&) = delete;
    Waits& operator=(const Waits&) = delete;

  private:
    platform::ShellAutomation& shell_;
    bool outer_;
};

// A walk over the shell's windows, started through a reference of our own: a
// shut-down inside the call releases the collection. Null when there is no
// collection, the walk cannot start, or the program unloaded meanwhile.
std::unique_ptr<platform::WindowWalk> WalkWindows(const frmMain& form);

// The next window of a walk; null when the walk ends, its fetch fails, or the
// program is no longer loaded (then no fetch is made). `atEnd`, when given, is
// set once the walk has reached the collection's end.
std::shared_ptr<platform::BrowserWindow> NextWindow(const frmMain& form, platform::WindowWalk& walk,
                                                    bool* atEnd = nullptr);

// Every window of a collection just created, in its order; empty when its
// walk cannot start. Nothing but the walk is asked of them.
std::vector<std::shared_ptr<platform::BrowserWindow>> OpenWindows(const frmMain& form,
                                                                  platform::ShellWindows& joined);

// True when the window's document reports the class name "HTMLDocument";
// empty when the document or its class name cannot be read.
std::optional<bool> IsHtmlWindow(const frmMain& form, platform::BrowserWindow& window);

// The window's document when it is an HTML one or its type cannot be read;
// null when there is no document, it cannot be read or is of another type,
// or the window does not answer.
std::shared_ptr<platform::Dispatch> HtmlDocument(const frmMain& form,
                                                 platform::BrowserWindow& window);

// True when parentwindow.opener of the document holds an object (even an
// empty reference); empty when parentwindow or opener cannot be read, and
// unanswered when the page does not answer them.
platform::Read<bool> IsScriptOpened(const frmMain& form, platform::Dispatch& document);

// Marks the window as judged: its opener then reads as a string. False when
// the assignment failed; callers ignore that.
bool ClearOpener(const frmMain& form, platform::Dispatch& document);

// parentwindow.opener.Parent.closed as a true/false; empty when any link of
// the chain cannot be read, which is what happens once the opener page is
// gone. Unanswered only when the window's own page (parentwindow, opener)
// does not answer: Parent and closed are the opener page's, and its silence
// is a failed probe.
platform::Read<bool> ReadOpenerClosed(const frmMain& form, platform::Dispatch& document);

}  // namespace shutterling::watcher
