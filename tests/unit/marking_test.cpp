// Marking a window as judged: every HTML window open at start-up, a window
// let through, and the first one while Ctrl is held; a marked window is
// never judged again.
#include "unit/watcher_fixture.h"

namespace shutterling::fakes {
namespace {

class StartUpMarking : public ::testing::Test {
  protected:
    FakePlatform p;
};

TEST_F(StartUpMarking, CoversEveryHtmlWindowAndSurvivesFailures) {
    auto page = p.shell.Open("page", L"Page", Opener::EmptyString);
    auto popup = p.shell.Open("popup", L"Ad", Opener::Page);
    auto unknown = p.shell.Open("unknown", L"?", Opener::Page);
    unknown->doc->className = std::nullopt;  // type unreadable: marked all the same
    auto stubborn = p.shell.Open("stubborn", L"?", Opener::Page);
    stubborn->parentWindow->putFails = true;
    auto last = p.shell.Open("last", L"Last", Opener::Page);
    auto folder = p.shell.OpenFolder("folder");
    p.form.Form_Load();
    EXPECT_TRUE(page->IsMarked());
    EXPECT_TRUE(popup->IsMarked());
    EXPECT_TRUE(unknown->IsMarked());
    EXPECT_FALSE(stubborn->IsMarked());
    EXPECT_TRUE(last->IsMarked()) << "a failure on one window does not stop the walk";

    // Popups open at start-up are never judged afterwards.
    p.shell.Fire();
    EXPECT_TRUE(p.system.closeRequests.size() <= 1u);
    for (auto h : p.system.closeRequests)
        EXPECT_EQ(h, *stubborn->hwnd);
}

TEST_F(StartUpMarking, WalkThatCannotStartMarksNothing) {
    auto popup = p.shell.Open("popup", L"Ad", Opener::Page);
    p.shell.walkFails = {true};
    p.form.Form_Load();
    EXPECT_FALSE(popup->IsMarked());
    EXPECT_NE(p.form.SWs, nullptr);
}

TEST_F(WatcherTest, CtrlMarksTheFirstScriptOpenedWindowAndEndsTheHandler) {
    auto first = Popup("first");
    auto second = Popup("second");
    p.system.ctrlDown = true;
    p.shell.Fire();
    EXPECT_TRUE(first->IsMarked());
    EXPECT_TRUE(Untouched(*second));
    EXPECT_TRUE(p.system.closeRequests.empty());
    EXPECT_EQ(p.log.Count("DoEvents"), 0);

    p.system.ctrlDown = false;  // the next event judges the rest
    p.shell.Fire();
    EXPECT_TRUE(ClosedOnce(*second));
    EXPECT_FALSE(p.system.closeRequests.front() == *first->hwnd);
}

TEST_F(WatcherTest, CtrlMarkThatFailsStillEndsTheHandler) {
    auto first = Popup("first");
    auto second = Popup("second");
    first->parentWindow->putFails = true;
    p.system.ctrlDown = true;
    p.shell.Fire();
    EXPECT_TRUE(Untouched(*first));
    EXPECT_TRUE(Untouched(*second));
}

TEST_F(WatcherTest, FailingMarkLeavesTheWindowOpenAndTheWalkGoesOn) {
    auto first = Popup("first");
    first->fullScreen = true;
    first->parentWindow->putFails = true;
    auto second = Popup("second");
    p.shell.Fire();
    EXPECT_TRUE(Untouched(*first));
    EXPECT_TRUE(ClosedOnce(*second));
}

TEST_F(WatcherTest, MarkedWindowIsNeverJudgedAgainAndBecomesPlain) {
    auto popup = Popup();
    LooksOrdinary(p, *popup);
    p.shell.Fire();
    ASSERT_TRUE(popup->IsMarked());
    // A later popup sized like the marked one finds it as a plain window.
    popup->width = 640;
    popup->height = 480;
    p.system.placements[*popup->hwnd] = platform::Rect{0, 0, 640, 480};
    auto later = Popup("later");
    LooksOrdinary(p, *later);
    later->width = 640;
    later->height = 480;
    p.log.Clear();
    p.shell.Fire();
    EXPECT_TRUE(later->IsMarked());
    EXPECT_EQ(p.log.Count("DoEvents"), 1);
}

TEST_F(WatcherTest, BlockingOffMarksSoWindowsStayOpenAfterSwitchingOn) {
    auto popup = Popup();
    p.form.blnEnabled = false;
    p.shell.Fire();
    p.form.blnEnabled = true;
    p.shell.Fire();
    EXPECT_TRUE(popup->IsMarked());
    EXPECT_TRUE(p.system.closeRequests.empty());
}

}  // namespace
}  // namespace shutterling::fakes
