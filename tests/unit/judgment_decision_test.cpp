// The decision on one script-opened window: blocked, or let through and marked.
#include "unit/watcher_fixture.h"

namespace shutterling::fakes {
namespace {

// expected: the window is blocked.
using JudgmentCase = WindowCase<bool>;
class Judgment : public WatcherTest, public ::testing::WithParamInterface<JudgmentCase> {};

const JudgmentCase kJudgmentCases[] = {
    {"NoMenuBar", [](FakePlatform&, FakeBrowserWindow&) {}, true},
    {"MenuBarOddSize", [](FakePlatform&, FakeBrowserWindow& w) { w.menuBar = true; }, true},
    {"MenuBarPlainSizeOpenerAlive", LooksOrdinary, false},
    {"MenuBarPlainSizeOpenerClosedTrue",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         LooksOrdinary(p, w);
         w.SetOpenerClosed(true);
     },
     false},
    {"MenuBarPlainSizeOpenerGone",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         LooksOrdinary(p, w);
         w.SetOpenerClosed(std::nullopt);
     },
     true},
    {"OpenerParentUnreadable",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         LooksOrdinary(p, w);
         w.openerPage->Set(L"Parent", std::nullopt);
     },
     true},
    {"ClosedNotABoolean",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         LooksOrdinary(p, w);
         w.openerParent->Set(L"closed", Variant::Of(std::wstring(L"no")));
     },
     true},
    {"PlainSizeMatchesMaximisedRestoredRect",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         LooksOrdinary(p, w);
         p.shell.Find("home")->width = 1600;  // maximised; restored rect still 1024x768
     },
     false},
    {"FullScreen", [](FakePlatform&, FakeBrowserWindow& w) { w.fullScreen = true; }, false},
    {"BlockingOff", [](FakePlatform& p, FakeBrowserWindow&) { p.form.blnEnabled = false; }, false},
    {"TitleOnSafeList",
     [](FakePlatform& p, FakeBrowserWindow&) {
         p.lstSafe.items = {L"Other", L"Buy now"};
     },
     false},
    {"TitleDiffersInCase",
     [](FakePlatform& p, FakeBrowserWindow&) { p.lstSafe.items = {L"buy now"}; }, true},
    {"TitleDiffersByTrailingBlank",
     [](FakePlatform& p, FakeBrowserWindow&) { p.lstSafe.items = {L"Buy now "}; }, true},
    {"OpenerEmptyObjectStillScriptOpened",
     [](FakePlatform&, FakeBrowserWindow& w) { w.SetOpener(Opener::EmptyObject); }, true},
    // Failure outcomes.
    {"FullScreenUnreadable",
     [](FakePlatform&, FakeBrowserWindow& w) { w.fullScreen = std::nullopt; }, true},
    {"FullScreenUnreadableWhileOff",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         w.fullScreen = std::nullopt;
         p.form.blnEnabled = false;
     },
     false},
    {"TitleUnreadableForSafeList",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         w.locationNameFailures = 1;  // the safe-list test's read
         p.lstSafe.items = {L"Buy now"};
     },
     true},
    {"SafeListUnreadable",
     [](FakePlatform& p, FakeBrowserWindow&) {
         p.lstSafe.items = {L"Buy now"};
         p.lstSafe.readsFail = true;
     },
     true},
    {"MenuBarUnreadable",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         LooksOrdinary(p, w);
         w.menuBar = std::nullopt;
     },
     true},
    {"HeightUnreadableOpenerAlive",
     [](FakePlatform&, FakeBrowserWindow& w) {
         w.menuBar = true;
         w.height = std::nullopt;
     },
     false},
    {"WidthUnreadableOpenerGone",
     [](FakePlatform&, FakeBrowserWindow& w) {
         w.menuBar = true;
         w.width = std::nullopt;
         w.SetOpenerClosed(std::nullopt);
     },
     true},
    {"PlainWindowHwndUnreadableOpenerAlive",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         w.menuBar = true;  // odd size would block, but the size test gives no result
         p.shell.Find("home")->hwnd = std::nullopt;
     },
     false},
    {"PlainWindowPlacementUnreadableDoesNotMatch",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         LooksOrdinary(p, w);
         p.system.placements.clear();
     },
     true},
    {"ParentWindowUnreadableCountsAsScriptOpened",
     [](FakePlatform&, FakeBrowserWindow& w) { w.doc->Set(L"parentwindow", std::nullopt); }, true},
    {"OpenerUnreadableCountsAsScriptOpened",
     [](FakePlatform&, FakeBrowserWindow& w) { w.SetOpener(Opener::Unreadable); }, true},
};

TEST_P(Judgment, BlocksOrMarks) {
    auto popup = Popup();
    GetParam().setup(p, *popup);
    p.shell.Fire();

    if (GetParam().expected) {
        EXPECT_TRUE(ClosedOnce(*popup));
        EXPECT_EQ(p.form.dblBlockedCount, 1);
        EXPECT_EQ(p.lblCounter.caption, L"1 Popups blocked till now");
        EXPECT_FALSE(popup->IsMarked()) << "a blocked window stays script-opened";
    } else {
        EXPECT_TRUE(p.system.closeRequests.empty());
        EXPECT_EQ(p.form.dblBlockedCount, 0);
        EXPECT_TRUE(p.lstPopups.items.empty());
        EXPECT_TRUE(popup->IsMarked()) << "a window let through is marked as judged";
    }
    EXPECT_EQ(std::count(p.system.closeRequests.begin(), p.system.closeRequests.end(), *home->hwnd),
              0)
        << "the opener is never closed";
    EXPECT_EQ(p.log.Count("DoEvents"), 1) << "one pause per judged window";
}

INSTANTIATE_TEST_SUITE_P(Cases, Judgment, ::testing::ValuesIn(kJudgmentCases), kCaseName);

TEST_F(WatcherTest, UnreadableFullScreenRunsTheTestsEvenWhileBlockingIsOff) {
    auto popup = Popup();
    popup->fullScreen = std::nullopt;
    p.form.blnEnabled = false;
    p.shell.Fire();
    EXPECT_GE(p.log.Find("MenuBar pop"), 0);
    EXPECT_TRUE(popup->IsMarked());

    // Readable and not full-screen: with blocking off the tests are skipped.
    auto other = Popup("other");
    popup->SetOpener(Opener::EmptyString);
    p.log.Clear();
    p.shell.Fire();
    EXPECT_EQ(p.log.Find("MenuBar other"), -1);
    EXPECT_TRUE(other->IsMarked());
}

}  // namespace
}  // namespace shutterling::fakes
