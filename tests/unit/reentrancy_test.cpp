// The judgment pauses in DoEvents once per judged window; whatever runs there
// (another event, the blocking toggle, the whole shut-down) must leave the
// resumed pass sound.
#include "unit/watcher_fixture.h"

namespace shutterling::fakes {
namespace {

using Reentrancy = WatcherTest;

TEST_F(Reentrancy, PopupBlockedByANestedPassIsCountedOnce) {
    auto popup = Popup();
    // The first pause lets a second registration event in.
    p.app.Post([this] { p.shell.Fire(); });
    p.shell.Fire();

    EXPECT_EQ(p.system.closeRequests.size(), 1u);
    EXPECT_EQ(p.lstPopups.items.size(), 1u);
    EXPECT_EQ(p.form.dblBlockedCount, 1);
    EXPECT_EQ(p.lblCounter.caption, L"1 Popups blocked till now");
    EXPECT_FALSE(popup->IsMarked()) << "skipped, not let through";
}

TEST_F(Reentrancy, LaterWindowBlockedByANestedPassIsNotJudgedAgainByTheOuterPass) {
    auto first = Popup("first");
    auto second = Popup("second");
    p.chkBeep.value = 1;
    p.app.Post([this] { p.shell.Fire(); });
    p.shell.Fire();

    // The nested pass blocked both; the outer pass adds nothing.
    EXPECT_TRUE(ClosedOnce(*first));
    EXPECT_TRUE(ClosedOnce(*second));
    EXPECT_EQ(p.form.dblBlockedCount, 2);
    EXPECT_EQ(p.system.beeps, 2);
    EXPECT_EQ(p.lstPopups.items.size(), 2u);
}

TEST_F(Reentrancy, WindowsBlockedByTheOuterPassAreCountedAgainOnlyByLaterEvents) {
    auto popup = Popup();
    p.shell.Fire();
    p.app.Post([this] { p.shell.Fire(); });
    p.shell.Fire();
    // Three events reached the window; two complete passes blocked it, the
    // nested one inside the second pass blocked it, its outer pass did not.
    EXPECT_EQ(p.form.dblBlockedCount, 2);
}

TEST_F(Reentrancy, BlockingSwitchedOffDuringThePauseLetsTheWindowThrough) {
    auto popup = Popup();
    p.app.Post([this] { p.form.blnEnabled = false; });
    p.shell.Fire();
    EXPECT_TRUE(popup->IsMarked());
    EXPECT_TRUE(p.system.closeRequests.empty());
    EXPECT_EQ(p.form.dblBlockedCount, 0);
}

TEST_F(Reentrancy, BlockingSwitchedOnDuringThePauseDoesNotRevisitTheDecision) {
    auto popup = Popup();
    p.form.blnEnabled = false;
    p.app.Post([this] { p.form.blnEnabled = true; });
    p.shell.Fire();
    EXPECT_TRUE(popup->IsMarked());
    EXPECT_TRUE(p.system.closeRequests.empty());
}

TEST_F(Reentrancy, ShutDownDuringThePauseStopsThePassWithoutTouchingAnything) {
    auto first = Popup("first");
    auto second = Popup("second");
    p.app.Post([this] { p.window.Unload(); });
    p.shell.Fire();

    ASSERT_TRUE(p.window.unloaded);
    EXPECT_EQ(p.form.SWs, nullptr);
    EXPECT_EQ(p.form.objBrowser, nullptr);
    EXPECT_GE(p.log.Find("Unsubscribe"), 0);
    // Nothing after the shut-down: no reads, no close, no label, no show.
    const auto& entries = p.log.Entries();
    auto unsubscribed = static_cast<std::size_t>(p.log.Find("Unsubscribe"));
    for (auto i = unsubscribed + 1; i < entries.size(); ++i)
        ADD_FAILURE() << entries[i];
    EXPECT_TRUE(Untouched(*first));
    EXPECT_TRUE(Untouched(*second));
    EXPECT_FALSE(p.window.visible);
}

TEST_F(Reentrancy, NestedPassMovesTheLoopVariableButNotTheWindowBeingJudged) {
    auto first = Popup("first");
    first->fullScreen = true;  // let through after the pause
    p.app.Post([this] {
        p.form.objBrowser = p.shell.Find("home");  // anything the nested pass leaves behind
    });
    p.shell.Fire();
    EXPECT_TRUE(first->IsMarked());
    EXPECT_EQ(p.form.objBrowser, nullptr) << "released when the handler ends";
}

}  // namespace
}  // namespace shutterling::fakes
