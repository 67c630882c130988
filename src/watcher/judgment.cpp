// The handler of the shell's WindowRegistered event: every script-opened HTML
// window is judged; popups are closed, listed and counted, the rest marked.
//
// Every call to the shell is an outgoing COM call, and the apartment's modal
// loop dispatches the shell's next event (or a tray command, or the whole
// shut-down) while it waits. So after each such call the handler reads only
// through references it holds itself and stops once the program has unloaded.
#include <algorithm>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "watcher/browser_window.h"
#include "watcher/running_pass.h"

namespace shutterling {

namespace {

constexpr std::uint32_t kBeepFrequency = 800;
constexpr std::uint32_t kBeepDuration = 25;
constexpr std::int16_t kCtrlDown = static_cast<std::int16_t>(0x8000);

bool HasNonBlank(const std::wstring& text) {
    return text.find_first_not_of(L' ') != std::wstring::npos;
}

// The handle of a tab is its frame's, and WM_CLOSE to a frame closes every
// tab in it: only a frame that holds this window alone gets WM_CLOSE. A tab
// among others, or a frame whose tabs cannot be counted, is asked to quit by
// itself, which closes at most the popup. False when the request did not go
// out: the message could not be posted, or Quit failed or went unanswered.
bool RequestClose(frmMain& form, platform::BrowserWindow& window, platform::WindowHandle hwnd) {
    auto& system = form.platform.system;
    auto tabs = system.CountTabWindows(hwnd);
    if (tabs && *tabs <= 1)
        return system.PostMessageA(hwnd, platform::kWmClose, 0, 0);
    // A Quit given up on may still close the tab, uncounted: it waits in full.
    watcher::Waits full(form, false);
    return window.Quit();
}

// Every read first, then the close request, then what the user sees of it:
// beep, list entry, count. A popup that fails or goes silent at a read, or
// whose close request does not go out, has no effect at all and is judged
// again at a later event, so the count and the list always equal the close
// requests sent. One that was asked to close is never blocked again while
// the shell holds it: its page may have asked the user whether to leave.
void Block(frmMain& form, std::shared_ptr<platform::BrowserWindow> window) {
    auto title = window->LocationName();
    if (!form.IsLoaded() || title.Unanswered())
        return;
    std::wstring entry(kNoTitle);
    // A failed first read is not a blank title: the title is read again.
    if (!title || HasNonBlank(*title)) {
        auto listed = window->LocationName();
        if (!form.IsLoaded() || !listed)
            return;
        entry = *listed;
    }
    auto hwnd = window->Hwnd();
    if (!form.IsLoaded() || !hwnd)
        return;

    const bool sent = RequestClose(form, *window, *hwnd);
    // A shut-down inside Quit: the controls are gone and the count is saved.
    if (!form.IsLoaded() || !sent)
        return;
    form.closingWindows.Add(std::move(window));

    // An unreadable option beeps: failing to read is not the same as "off".
    auto beep = form.chkBeep.Value();
    if (!beep || *beep == 1)
        form.platform.system.Beep(kBeepFrequency, kBeepDuration);
    form.lstPopups.AddItem(entry);
    form.dblBlockedCount += 1;
    form.ShowBlockedCount();
}

// What step 9 makes of a window. A window whose own reads go unanswered is
// not judged at all: under one thread a hung page made the program wait, it
// never made the page a popup.
enum class Verdict { Popup, Plain, Unanswered, Unloaded };

// Whether a read of the window's own ends the decision: the program unloaded
// inside it, or the window did not answer it.
template <class T>
std::optional<Verdict> Ended(const frmMain& form, const platform::Read<T>& read) {
    if (!form.IsLoaded())
        return Verdict::Unloaded;
    if (read.Unanswered())
        return Verdict::Unanswered;
    return std::nullopt;
}

Verdict Decide(frmMain& form, platform::BrowserWindow& window, platform::Dispatch& document) {
    // An unreadable FullScreen lets the tests run even while blocking is off;
    // the second look at blnEnabled after the pause still lets the window through.
    auto fullScreen = window.FullScreen();
    if (auto ended = Ended(form, fullScreen))
        return *ended;
    if (fullScreen && (*fullScreen || !form.blnEnabled))
        return Verdict::Plain;

    auto title = window.LocationName();
    if (auto ended = Ended(form, title))
        return *ended;
    std::optional<bool> safe = title ? form.IsInSafeList(*title) : std::nullopt;
    if (safe.value_or(false))
        return Verdict::Plain;

    auto menuBar = window.MenuBar();
    if (auto ended = Ended(form, menuBar))
        return *ended;
    if (!menuBar || !*menuBar)
        return Verdict::Popup;

    bool decision = false;
    auto height = window.Height();
    if (auto ended = Ended(form, height))
        return *ended;
    auto width = window.Width();
    if (auto ended = Ended(form, width))
        return *ended;
    if (height && width) {
        // A window that does not answer fails this as a whole, as a failed read does.
        auto plain = form.HasPlainWindowOfSize(*height, *width);
        if (!form.IsLoaded())
            return Verdict::Unloaded;
        if (plain)
            decision = !*plain;
    }
    // A window sized like an ordinary one is still a popup once its opener is gone.
    if (!decision) {
        auto closed = watcher::ReadOpenerClosed(form, document);
        if (auto ended = Ended(form, closed))
            return *ended;
        decision = !closed;
    }
    return decision ? Verdict::Popup : Verdict::Plain;
}

// Step 2: HTML windows in the collection. The only question is whether there
// is exactly one, so the count stops at two: every further window would cost
// a round trip to its browser and change nothing. Empty when the walk cannot
// be started or the program unloaded meanwhile.
std::optional<std::int16_t> CountHtmlWindows(frmMain& form) {
    auto walk = watcher::WalkWindows(form);
    if (!walk)
        return std::nullopt;
    std::int16_t count = 0;
    while (auto window = watcher::NextWindow(form, *walk)) {
        form.objBrowser = window;
        // A popup asked to close was an HTML window when it was judged; asking
        // again would cost its browser a round trip for the same answer. A
        // document that cannot be read counts as an HTML one.
        bool html = true;
        if (!form.closingWindows.Has(*window)) {
            html = watcher::IsHtmlWindow(form, *window).value_or(true);
            if (!form.IsLoaded())
                return std::nullopt;
        }
        if (html && ++count == 2)
            break;
    }
    return form.IsLoaded() ? std::optional<std::int16_t>(count) : std::nullopt;
}

}  // namespace

void frmMain::SWs_WindowRegistered(std::int32_t /*lCookie*/) {
    // An event the apartment still delivers during the shut-down finds nothing to judge.
    if (!loaded_)
        return;
    RunningPass pass(*this);
    // A window that does not answer at once is left for now and judged when
    // its answer comes: no other window waits for it.
    watcher::Waits brief(*this, true);

    auto htmlWindows = CountHtmlWindows(*this);
    if (!htmlWindows || *htmlWindows == 1)
        return;

    auto walk = watcher::WalkWindows(*this);
    if (!walk)
        return;
    // The popups asked to close that this walk does not meet are gone from the shell.
    watcher::ClosingWindows::Census census(closingWindows);
    bool atEnd = false;
    // Everything is read through this pass's own references: nested passes move objBrowser.
    while (auto window = watcher::NextWindow(*this, *walk, &atEnd)) {
        objBrowser = window;
        // Asked to close already, or judged by a pass running now: nothing to ask it.
        if (census.Met(*window) || pass.Judged(*window))
            continue;

        // The document is read once: its type decides and it is the one judged.
        // Without it there is nothing to judge by or to mark; the window stays
        // unjudged and gets another chance at the next event. A type name that
        // cannot be read counts as an HTML document's.
        auto document = watcher::HtmlDocument(*this, *window);
        if (!document)
            continue;

        // An opener that cannot be read is treated as script-opened; one that
        // its page does not answer leaves the window for a later event.
        auto opened = watcher::IsScriptOpened(*this, *document);
        if (!loaded_)
            return;
        if (opened == false || opened.Unanswered())
            continue;

        if (platform.system.GetKeyState(platform::kVkControl) & kCtrlDown) {
            pass.Claim(window);
            watcher::ClearOpener(*this, *document);
            return;
        }

        const auto verdict = Decide(*this, *window, *document);
        if (verdict == Verdict::Unloaded)
            return;
        if (verdict == Verdict::Unanswered)
            continue;

        platform.app.DoEvents();
        // A shut-down ran inside the pause: the collection and the controls are gone.
        if (!loaded_)
            return;

        // A pass that ran meanwhile may have judged it already.
        if (pass.Judged(*window))
            continue;
        pass.Claim(window);
        if (verdict == Verdict::Popup && blnEnabled) {
            Block(*this, window);
        } else {
            watcher::ClearOpener(*this, *document);
        }
        if (!loaded_)
            return;
    }
    if (atEnd)
        census.Close();
}

}  // namespace shutterling
