// The handler of the shell's WindowRegistered event: every script-opened HTML
// window is judged; popups are closed, listed and counted, the rest marked.
#include <algorithm>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "watcher/browser_window.h"

namespace shutterling {
namespace {

using platform::WindowWalk;

constexpr std::uint32_t kBeepFrequency = 800;
constexpr std::uint32_t kBeepDuration = 25;
constexpr std::int16_t kCtrlDown = static_cast<std::int16_t>(0x8000);

bool HasNonBlank(const std::wstring& text) {
    return text.find_first_not_of(L' ') != std::wstring::npos;
}

bool Contains(const std::vector<std::uintptr_t>& ids, std::uintptr_t id) {
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}

}  // namespace

// While a pass waits in DoEvents, windows that nested passes block are noted
// here, so the resumed pass does not close and count the same popup again.
class BlockLedger {
  public:
    BlockLedger(frmMain& form, std::vector<std::uintptr_t>& blocked) : form_(form) {
        form_.pausedPasses_.push_back(&blocked);
    }
    ~BlockLedger() { form_.pausedPasses_.pop_back(); }
    BlockLedger(const BlockLedger&) = delete;
    BlockLedger& operator=(const BlockLedger&) = delete;

    static void NoteBlocked(frmMain& form, std::uintptr_t id) {
        for (auto* pass : form.pausedPasses_)
            pass->push_back(id);
    }

  private:
    frmMain& form_;
};

namespace {

// Beep, list, close request, count: each step's failure is ignored and the
// next one still runs.
void Block(frmMain& form, platform::BrowserWindow& window) {
    auto& platform = form.platform;

    // An unreadable option beeps: failing to read is not the same as "off".
    auto beep = form.chkBeep.Value();
    if (!beep || *beep == 1)
        platform.system.Beep(kBeepFrequency, kBeepDuration);

    auto title = window.LocationName();
    if (!title || HasNonBlank(*title)) {
        if (auto listed = window.LocationName())
            form.lstPopups.AddItem(*listed);
    } else {
        form.lstPopups.AddItem(std::wstring(kNoTitle));
    }

    if (auto hwnd = window.Hwnd())
        platform.system.PostMessageA(*hwnd, platform::kWmClose, 0, 0);

    form.dblBlockedCount += 1;
    form.ShowBlockedCount();
    BlockLedger::NoteBlocked(form, window.Identity());
}

// Step 9: true when the window looks like a popup.
bool Decide(frmMain& form, platform::BrowserWindow& window, platform::Dispatch& document) {
    // An unreadable FullScreen lets the tests run even while blocking is off;
    // the second look at blnEnabled after the pause still lets the window through.
    auto fullScreen = window.FullScreen();
    if (fullScreen && (*fullScreen || !form.blnEnabled))
        return false;

    auto title = window.LocationName();
    std::optional<bool> safe = title ? form.IsInSafeList(*title) : std::nullopt;
    if (safe.value_or(false))
        return false;

    auto menuBar = window.MenuBar();
    if (!menuBar || !*menuBar)
        return true;

    bool decision = false;
    auto height = window.Height();
    auto width = window.Width();
    if (height && width) {
        if (auto plain = form.HasPlainWindowOfSize(*height, *width))
            decision = !*plain;
    }
    // A window sized like an ordinary one is still a popup once its opener is gone.
    if (!decision && !watcher::ReadOpenerClosed(document))
        decision = true;
    return decision;
}

// Step 2: HTML windows in the collection, counted up to the list limit.
// Empty when the walk cannot be started.
std::optional<std::int16_t> CountHtmlWindows(frmMain& form) {
    auto walk = form.SWs ? form.SWs->Walk() : nullptr;
    if (!walk)
        return std::nullopt;
    std::int16_t count = 0;
    for (auto step = walk->Next(); step.status == WindowWalk::Step::Status::Window;
         step = walk->Next()) {
        form.objBrowser = step.window;
        // A document that cannot be read counts as an HTML one.
        if (watcher::IsHtmlWindow(*form.objBrowser).value_or(true) && count < platform::kListMax)
            ++count;
    }
    return count;
}

}  // namespace

void frmMain::SWs_WindowRegistered(std::int32_t /*lCookie*/) {
    struct ReleaseLoopVariable {
        frmMain& form;
        ~ReleaseLoopVariable() { form.objBrowser = nullptr; }
    } releaseOnExit{*this};

    auto htmlWindows = CountHtmlWindows(*this);
    if (!htmlWindows || *htmlWindows == 1)
        return;

    auto walk = SWs ? SWs->Walk() : nullptr;
    if (!walk)
        return;
    // Windows that nested passes blocked while this one waited in DoEvents:
    // one popup is one block, so this pass leaves them alone.
    std::vector<std::uintptr_t> blockedMeanwhile;
    for (auto step = walk->Next(); step.status == WindowWalk::Step::Status::Window;
         step = walk->Next()) {
        objBrowser = step.window;
        // From here on everything is read through this reference: nested passes move objBrowser.
        auto window = objBrowser;
        if (Contains(blockedMeanwhile, window->Identity()))
            continue;
        if (watcher::IsHtmlWindow(*window) == false)
            continue;

        // Without a document there is nothing to judge by or to mark; the
        // window stays unjudged and gets another chance at the next event.
        auto documentRead = window->Document();
        if (!documentRead || !*documentRead)
            continue;
        auto document = *documentRead;

        // An opener that cannot be read is treated as script-opened.
        if (watcher::IsScriptOpened(*document) == false)
            continue;

        if (platform.system.GetKeyState(platform::kVkControl) & kCtrlDown) {
            watcher::ClearOpener(*document);
            return;
        }

        bool decision = Decide(*this, *window, *document);

        {
            BlockLedger ledger(*this, blockedMeanwhile);
            platform.app.DoEvents();
        }
        // A shut-down ran inside the pause: the collection and the controls are gone.
        if (!loaded_)
            return;

        if (Contains(blockedMeanwhile, window->Identity()))
            continue;
        if (decision && blnEnabled) {
            Block(*this, *window);
        } else {
            watcher::ClearOpener(*document);
        }
    }
}

}  // namespace shutterling
