// A browser window that stops answering: the program gives up waiting for a
// call to it, and every later call to that window or its page fails at once.
// Each given-up read has the outcome of a failed read, and the walks go on.
#include "unit/watcher_fixture.h"

namespace shutterling::fakes {
namespace {

struct Outcome {
    int closes;
    std::size_t listed;
    double counted;
    bool marked;
};

class SilentWindow : public WatcherTest,
                     public ::testing::WithParamInterface<WindowCase<Outcome>> {};

// "pop" has no menu bar unless the case gives it one; the setup silences a
// window from one of its calls on.
const WindowCase<Outcome> kSilentCases[] = {
    // Counted as an HTML window, then skipped: nothing to judge it by.
    {"FromTheCountingWalk",
     [](FakePlatform&, FakeBrowserWindow& w) { w.silence->from = "Document pop"; },
     {0, 0, 0, false}},
    {"FromItsTypeName",
     [](FakePlatform&, FakeBrowserWindow& w) { w.silence->from = "ClassName pop"; },
     {0, 0, 0, false}},
    // Judged as script-opened, not full-screen, not on the safe list, no menu
    // bar: blocked, with neither a list entry nor a close request.
    {"FromTheOpenerTest",
     [](FakePlatform&, FakeBrowserWindow& w) { w.silence->from = "Get pop.document.parentwindow"; },
     {0, 0, 1, false}},
    {"FromFullScreen",
     [](FakePlatform&, FakeBrowserWindow& w) { w.silence->from = "FullScreen pop"; },
     {0, 0, 1, false}},
    {"FromMenuBar",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         LooksOrdinary(p, w);
         w.silence->from = "MenuBar pop";
     },
     {0, 0, 1, false}},
    {"FromItsHandle",
     [](FakePlatform&, FakeBrowserWindow& w) { w.silence->from = "HWND pop"; },
     {0, 1, 1, false}},
    // No size: the opener probe decides, and it cannot be read either.
    {"FromTheSizeTest",
     [](FakePlatform&, FakeBrowserWindow& w) {
         w.menuBar = true;
         w.silence->from = "Height pop";
     },
     {0, 0, 1, false}},
    // The plain page stops answering inside the size test: the test gives no
    // result, so the live opener lets an odd-sized window through.
    {"PlainWindowDuringTheSizeTest",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         w.menuBar = true;
         p.shell.Find("home")->silence->from = "HWND home";
     },
     {0, 0, 0, true}},
};

TEST_P(SilentWindow, GivenUpReadsHaveTheOutcomesOfFailedReads) {
    auto popup = Popup();
    GetParam().setup(p, *popup);
    p.shell.Fire();
    const Outcome& expected = GetParam().expected;
    EXPECT_EQ(
        std::count(p.system.closeRequests.begin(), p.system.closeRequests.end(), *popup->hwnd),
        expected.closes);
    EXPECT_EQ(p.lstPopups.items.size(), expected.listed);
    EXPECT_EQ(p.form.dblBlockedCount, expected.counted);
    EXPECT_EQ(popup->IsMarked(), expected.marked);

    // The next popup, from a page that answers, is judged as usual.
    auto next = Popup("next");
    p.shell.Fire();
    EXPECT_TRUE(ClosedOnce(*next));
}

INSTANTIATE_TEST_SUITE_P(Cases, SilentWindow, ::testing::ValuesIn(kSilentCases), kCaseName);

TEST(SilentWindowAtStartUp, MarkingMovesOnAndLaterPopupsAreJudged) {
    FakePlatform p;
    auto stuck = p.shell.Open("stuck", L"Heavy page", Opener::EmptyString);
    stuck->silence->from = "Document stuck";
    auto early = p.shell.Open("early", L"Ad", Opener::Page);
    p.form.Form_Load();
    ASSERT_TRUE(p.form.IsLoaded());
    EXPECT_FALSE(stuck->IsMarked());
    EXPECT_TRUE(early->IsMarked());

    auto late = p.shell.Open("late", L"Late ad", Opener::Page);
    late->menuBar = false;
    p.shell.Fire();
    EXPECT_EQ(p.system.closeRequests, std::vector<platform::WindowHandle>{*late->hwnd});
}

}  // namespace
}  // namespace shutterling::fakes
