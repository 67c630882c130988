// The handler's two walks: the first counts the HTML windows (a lone one is
// never judged), the second picks the script-opened HTML windows to judge.
#include <deque>
#include <variant>

#include "unit/watcher_fixture.h"

namespace shutterling::fakes {
namespace {

// Windows that are not judged at all: neither closed nor marked.
using SkipCase = WindowCase<std::monostate>;
class NotJudged : public WatcherTest, public ::testing::WithParamInterface<SkipCase> {};

const SkipCase kSkipCases[] = {
    {"OpenerNull", [](FakePlatform&, FakeBrowserWindow& w) { w.SetOpener(Opener::Null); }},
    {"OpenerString",
     [](FakePlatform&, FakeBrowserWindow& w) {
         w.parentWindow->Set(L"opener", Variant::Of(std::wstring(L"x")));
     }},
    {"NotAnHtmlDocument",
     [](FakePlatform&, FakeBrowserWindow& w) { w.doc->className = L"htmldocument"; }},
    {"NoDocument",
     [](FakePlatform&, FakeBrowserWindow& w) {
         w.document = std::shared_ptr<platform::Dispatch>();
     }},
    // Counted as an HTML window in the first walk, but with no document there
    // is nothing to judge by: it waits for the next event.
    {"DocumentUnreadable", [](FakePlatform&, FakeBrowserWindow& w) { w.document = std::nullopt; }},
};

TEST_P(NotJudged, StaysUntouched) {
    Popup("other", L"Other popup")->SetOpener(Opener::EmptyString);  // keeps two HTML windows
    auto popup = Popup();
    GetParam().setup(p, *popup);
    p.shell.Fire();
    EXPECT_TRUE(Untouched(*popup));
    EXPECT_EQ(p.log.Count("DoEvents"), 0);
    EXPECT_EQ(p.form.dblBlockedCount, 0);
}

INSTANTIATE_TEST_SUITE_P(Cases, NotJudged, ::testing::ValuesIn(kSkipCases), kCaseName);

TEST_F(WatcherTest, ExactlyOneHtmlWindowJudgesNothingNotEvenCtrl) {
    p.shell.windows.clear();
    p.shell.OpenFolder("folder");
    auto popup = Popup();
    p.system.ctrlDown = true;
    p.shell.Fire();
    EXPECT_TRUE(Untouched(*popup));
    EXPECT_EQ(p.log.Count("GetKeyState"), 0);
}

TEST_F(WatcherTest, NoHtmlWindowRunsTheSecondWalkAndJudgesNothing) {
    p.shell.windows.clear();
    p.shell.OpenFolder("folder");
    p.log.Clear();
    p.shell.Fire();
    EXPECT_EQ(p.log.Count("Walk"), 2);
    EXPECT_EQ(p.log.Count("DoEvents"), 0);
}

TEST_F(WatcherTest, UnreadableDocumentCountsAsHtmlInTheFirstWalk) {
    // home's document cannot be read: with the popup that makes two, not one.
    home->document = std::nullopt;
    auto popup = Popup();
    p.shell.Fire();
    EXPECT_TRUE(ClosedOnce(*popup));
}

TEST_F(WatcherTest, WalkThatCannotStartEndsTheHandler) {
    for (bool secondWalkFails : {false, true}) {
        SCOPED_TRACE(secondWalkFails);
        auto popup = Popup("pop" + std::to_string(secondWalkFails));
        p.shell.walkFails =
            secondWalkFails ? std::deque<bool>{false, true} : std::deque<bool>{true};
        p.shell.Fire();
        EXPECT_TRUE(Untouched(*popup));
        p.shell.windows.pop_back();
    }
}

TEST_F(WatcherTest, FetchFailureEndsTheWalkAndTheCountSoFarDecides) {
    auto popup = Popup();
    p.shell.failFetchAt = 1;  // only home is counted: exactly one
    p.shell.Fire();
    EXPECT_TRUE(Untouched(*popup));
    EXPECT_EQ(p.log.Count("GetKeyState"), 0);
}

TEST_F(WatcherTest, CountingStopsAtTheSecondHtmlWindow) {
    // Folders do not count; the walk reads no further than home and the
    // second HTML window, and a fetch that would fail after them is never made.
    p.shell.windows.clear();
    p.shell.OpenFolder("folder");
    p.shell.windows.push_back(home);
    auto popup = Popup();
    auto later = Popup("later", L"Later");
    p.shell.failFetchAt = 4;
    p.log.Clear();
    p.shell.Fire();
    EXPECT_TRUE(ClosedOnce(*popup));
    EXPECT_TRUE(ClosedOnce(*later));
    const auto& entries = p.log.Entries();
    const auto secondWalk = std::find(entries.begin() + 1, entries.end(), "Walk");
    ASSERT_NE(secondWalk, entries.end());
    EXPECT_EQ(
        std::vector<std::string>(entries.begin(), secondWalk),
        (std::vector<std::string>{"Walk", "Next", "Document folder", "ClassName folder.document",
                                  "Next", "Document home", "ClassName home.document", "Next",
                                  "Document pop", "ClassName pop.document"}));
}

}  // namespace
}  // namespace shutterling::fakes
