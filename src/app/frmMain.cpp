// The application's start-up, shut-down and window events, and the two small
// operations on its state that the judgment needs.
#include "app/frmMain.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "store/count_text.h"
#include "tray/tray_icon.h"
#include "watcher/browser_window.h"
#include "watcher/running_pass.h"

namespace shutterling {

frmMain::frmMain(platform::Platform& platform)
    : lstPopups(platform.controls.lstPopups),
      lstSafe(platform.controls.lstSafe),
      chkBeep(platform.controls.chkBeep),
      chkReset(platform.controls.chkReset),
      chkWindowStartup(platform.controls.chkWindowStartup),
      lblCounter(platform.controls.lblCounter),
      platform(platform) {}

frmMain::~frmMain() {
    // The hook must not reach a window object that is gone.
    if (modCommon::trayForm == this)
        modCommon::trayForm = nullptr;
}

void frmMain::Form_Load() {
    // A query that cannot answer counts as "another instance runs": better
    // no watcher than two watchers fighting over the same tray.
    auto previous = platform.app.PrevInstance();
    if (!previous || *previous)
        platform.app.End();
    loaded_ = true;

    blnEnabled = true;
    AddTrayIcon();
    InstallWindowHook();
    LoadOptions();
    ShowBlockedCount();
    LoadSafeList();
    blnHideOnPaint = true;
    JoinShell();
}

namespace {
// A shell that turns the join away at log-on is busy, not gone: it is tried
// again every second for the first minute of waits, so that the program is
// back within a second of its answering, before the user's first popups.
// After that it is likely gone: each wait is twice the last, up to a minute,
// which costs next to nothing.
constexpr std::uint32_t kJoinDelayMs = 1000;
constexpr std::uint32_t kBusyShellMs = 60000;
constexpr std::uint32_t kLongestJoinDelayMs = 60000;
}  // namespace

void frmMain::JoinShell() {
    // A join asked for inside the calls of one under way (the shell came
    // back once more meanwhile) is made again once that one is done.
    if (joining_) {
        joinAgain_ = true;
        return;
    }
    joining_ = true;
    do {
        joinAgain_ = false;
        if (std::exchange(joinAnew_, false))
            lngJoinDelay_ = lngJoinWaited_ = 0;
        if (!JoinOnce(platform.shell.CreateShellWindows()) && loaded_) {
            lngJoinDelay_ = lngJoinWaited_ < kBusyShellMs
                                ? kJoinDelayMs
                                : std::min(lngJoinDelay_ * 2, kLongestJoinDelayMs);
            lngJoinWaited_ = std::min(lngJoinWaited_ + lngJoinDelay_, kBusyShellMs);
            platform.window.SetTimer(lngJoinDelay_);
        }
    } while (joinAgain_ && loaded_);
    joining_ = false;
}

bool frmMain::JoinOnce(std::shared_ptr<platform::ShellWindows> joined) {
    if (!loaded_ || !joined)
        return false;  // a shut-down ran inside the call, or there is no collection
    RunningPass marking(*this);
    // The windows open now are taken before the new collection raises any
    // event, so a popup that registers from then on is not among them; one
    // that a pass running now has judged, or one asked to close, is not one
    // to mark. The collection held until now goes on raising events
    // meanwhile: a shell that turns the join away keeps its subscription.
    auto open = watcher::OpenWindows(*this, *joined);
    std::erase_if(open, [this, &marking](const auto& window) {
        return marking.Judged(*window) || closingWindows.Has(*window);
    });
    for (const auto& window : open)
        marking.Claim(window);
    const bool subscribed = loaded_ && joined->Subscribe([this](std::int32_t lCookie) {
        SWs_WindowRegistered(lCookie);
    });
    if (!loaded_ || !subscribed)
        return false;
    SWs = std::move(joined);  // the old subscription ends here
    lngJoinWaited_ = 0;
    if (std::exchange(lngJoinDelay_, 0))
        platform.window.SetTimer(0);  // it ran only while a join was owed
    // Passes nested in the marking's reads judge what registers meanwhile and
    // leave these windows alone; one more pass judges what registered before
    // the subscription could say so, whose event went nowhere.
    MarkExistingWindows(open);
    SWs_WindowRegistered(0);  // nothing, after a shut-down inside the marking
    return true;
}

void frmMain::tmrJoinShell_Timer() {
    // A tick that the join's own calls let in is no reason to join again.
    if (loaded_ && lngJoinDelay_ && !joining_)
        JoinShell();
}

void frmMain::Form_Paint() {
    if (blnHideOnPaint) {
        blnHideOnPaint = false;
        platform.window.Hide();
    }
}

void frmMain::Form_QueryUnload(std::int16_t& cancel, std::int16_t unloadMode) {
    // The close box only hides: the program lives in the tray until Exit.
    if (unloadMode == 0) {
        platform.window.Hide();
        cancel = 1;
    }
}

void frmMain::Form_Unload() {
    // Every step runs even when an earlier one fails: the last ones take the
    // tray icon and the hook away, which must happen whatever else went wrong.
    loaded_ = false;
    SaveOptions();
    SaveSafeList();
    // An unreadable option leaves the registration as it was rather than guess.
    if (auto startup = chkWindowStartup.Value()) {
        const bool flag = *startup != 0;
        SetStartWithWindows(platform, flag);
    }
    RemoveTrayIcon();
    RemoveWindowHook();
    objBrowser = nullptr;
    judgedByRunningPasses_.clear();
    closingWindows.clear();
    SWs = nullptr;
}

std::optional<bool> frmMain::IsInSafeList(std::wstring title) {
    auto count = lstSafe.ListCount();
    if (!count)
        return std::nullopt;
    for (int index = 0; index < *count; ++index) {
        auto entry = lstSafe.List(static_cast<std::int16_t>(index));
        if (!entry)
            return std::nullopt;
        if (*entry == title)
            return true;
    }
    return false;
}

bool frmMain::ShowBlockedCount() {
    return lblCounter.SetCaption(CountText(dblBlockedCount) + L" Popups blocked till now");
}

}  // namespace shutterling
