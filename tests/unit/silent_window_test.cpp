// A browser window that stops answering: the program gives up waiting for a
// call to it, and every later call to that window or its page fails at once.
// A window whose own reads go unanswered is left unjudged by the pass (not
// marked, listed, closed or counted), and the walks go on; a silent opener
// page is a failed probe, and a silent window fails the size test.
#include <memory>

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

// Silences the window from the (skip+1)-th call whose entry starts with `from`.
Setup SilentFrom(std::string from, int skip = 0, bool ordinary = false) {
    return [from, skip, ordinary](FakePlatform& p, FakeBrowserWindow& w) {
        if (ordinary)
            LooksOrdinary(p, w);
        w.silence->from = from;
        w.silence->skip = skip;
    };
}

constexpr Outcome kUnjudged{0, 0, 0, false};

// "pop" has no menu bar unless the case makes it look ordinary (the menu bar
// and the plain page's size: only the opener probe can block it).
const WindowCase<Outcome> kSilentCases[] = {
    // Counted as an HTML window by the first walk, then left: nothing to judge it by.
    {"FromTheCountingWalk", SilentFrom("Document pop"), kUnjudged},
    {"FromItsTypeName", SilentFrom("ClassName pop"), kUnjudged},
    {"FromItsScriptWindow", SilentFrom("Get pop.document.parentwindow"), kUnjudged},
    {"FromItsOpener", SilentFrom("Get pop.parentwindow.opener"), kUnjudged},
    {"FromFullScreen", SilentFrom("FullScreen pop"), kUnjudged},
    {"FromTheSafeListTitle", SilentFrom("LocationName pop"), kUnjudged},
    {"FromMenuBar", SilentFrom("MenuBar pop", 0, true), kUnjudged},
    {"FromTheSizeTest", SilentFrom("Height pop", 0, true), kUnjudged},
    // Sized like the plain page: its own links of the opener probe.
    {"FromTheProbesScriptWindow", SilentFrom("Get pop.document.parentwindow", 1, true), kUnjudged},
    {"FromTheProbesOpener", SilentFrom("Get pop.parentwindow.opener", 1, true), kUnjudged},
    // Decided a popup, then silent while it is blocked: no effect at all.
    {"FromTheListedTitle", SilentFrom("LocationName pop", 1), kUnjudged},
    {"FromTheTitleReadAgain", SilentFrom("LocationName pop", 2), kUnjudged},
    {"FromItsHandle", SilentFrom("HWND pop"), kUnjudged},
    {"FromItsQuit",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         p.system.tabWindows[*w.hwnd] = 2;
         w.silence->from = "Quit pop";
     },
     kUnjudged},
    // The opener page is another page: its silence fails the probe, and a
    // popup sized like a plain window is blocked.
    {"ItsOpenerPage",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         LooksOrdinary(p, w);
         w.openerPage->silence = w.openerParent->silence = std::make_shared<Silence>();
         w.openerParent->silence->from = "Get pop.opener.Parent.closed";
     },
     {1, 1, 1, false}},
    // The plain page stops answering inside the size test: the test gives no
    // result, so the live opener lets an odd-sized window through.
    {"PlainWindowDuringTheSizeTest",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         w.menuBar = true;
         p.shell.Find("home")->silence->from = "HWND home";
     },
     {0, 0, 0, true}},
};

TEST_P(SilentWindow, OnlyWhatAnswersIsJudged) {
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
    auto typeless = p.shell.Open("typeless", L"Busy page", Opener::EmptyString);
    typeless->silence->from = "ClassName typeless";
    auto early = p.shell.Open("early", L"Ad", Opener::Page);
    p.form.Form_Load();
    ASSERT_TRUE(p.form.IsLoaded());
    EXPECT_FALSE(stuck->IsMarked());
    EXPECT_FALSE(typeless->IsMarked());
    EXPECT_TRUE(early->IsMarked());

    auto late = p.shell.Open("late", L"Late ad", Opener::Page);
    late->menuBar = false;
    p.shell.Fire();
    EXPECT_EQ(p.system.closeRequests, std::vector<platform::WindowHandle>{*late->hwnd});
}

}  // namespace
}  // namespace shutterling::fakes
