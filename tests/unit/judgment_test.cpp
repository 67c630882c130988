#include <functional>

#include "unit/watcher_fixture.h"

namespace shutterling::fakes {
namespace {

using Setup = std::function<void(FakePlatform&, FakeBrowserWindow& popup)>;

struct JudgmentCase {
    const char* name;
    Setup setup;
    bool blocked;
};

void PrintTo(const JudgmentCase& c, std::ostream* os) {
    *os << c.name;
}

class Judgment : public WatcherTest, public ::testing::WithParamInterface<JudgmentCase> {};

// Menu bar and the restored size of the plain home page: only the opener probe can block.
void LooksOrdinary(FakePlatform&, FakeBrowserWindow& w) {
    w.menuBar = true;
    w.width = 1024;
    w.height = 768;
}

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
         w.locationName = std::nullopt;
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

    if (GetParam().blocked) {
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

INSTANTIATE_TEST_SUITE_P(Cases, Judgment, ::testing::ValuesIn(kJudgmentCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Windows that are not judged at all: neither closed nor marked.
struct SkipCase {
    const char* name;
    Setup setup;
};
void PrintTo(const SkipCase& c, std::ostream* os) {
    *os << c.name;
}
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

INSTANTIATE_TEST_SUITE_P(Cases, NotJudged, ::testing::ValuesIn(kSkipCases),
                         [](const auto& info) { return std::string(info.param.name); });

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

struct TitleCase {
    std::wstring title;
    std::wstring listed;
};
class ListedTitle : public WatcherTest, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(ListedTitle, BlankTitlesAreListedAsNoTitleOthersUntrimmed) {
    Popup("pop", GetParam().title);
    p.shell.Fire();
    ASSERT_EQ(p.lstPopups.items.size(), 1u);
    EXPECT_EQ(p.lstPopups.items[0], GetParam().listed);
}

INSTANTIATE_TEST_SUITE_P(Titles, ListedTitle,
                         ::testing::Values(TitleCase{L"", L"<No Title>"},
                                           TitleCase{L"   ", L"<No Title>"},
                                           TitleCase{L"  Ad  ", L"  Ad  "}, TitleCase{L"\t", L"\t"},
                                           TitleCase{L"<No Title>", L"<No Title>"}));

TEST_F(WatcherTest, TitleReadForListingFailsThenSucceeds) {
    // A window whose title read fails once is listed with the second read.
    struct FlakyTitle : FakeBrowserWindow {
        using FakeBrowserWindow::FakeBrowserWindow;
        int reads = 0;
        std::optional<std::wstring> LocationName() override {
            return ++reads == 2 ? std::nullopt : std::optional<std::wstring>(L"Flaky");
        }
    };
    auto w = std::make_shared<FlakyTitle>(p.log, "flaky", 0x9000);
    auto model = Popup("model");
    w->doc = model->doc;
    w->parentWindow = model->parentWindow;
    w->document = model->doc;
    w->menuBar = false;
    p.shell.windows.back() = w;
    p.shell.Fire();
    EXPECT_EQ(p.lstPopups.items, std::vector<std::wstring>{L"Flaky"});
}

TEST_F(WatcherTest, UnreadableTitleAddsNoEntryButStillClosesAndCounts) {
    auto popup = Popup();
    popup->locationName = std::nullopt;
    p.shell.Fire();
    EXPECT_TRUE(p.lstPopups.items.empty());
    EXPECT_TRUE(ClosedOnce(*popup));
    EXPECT_EQ(p.form.dblBlockedCount, 1);
}

TEST_F(WatcherTest, UnreadableHwndSendsNoCloseButStillCounts) {
    auto popup = Popup();
    popup->hwnd = std::nullopt;
    p.shell.Fire();
    EXPECT_TRUE(p.system.closeRequests.empty());
    EXPECT_EQ(p.lstPopups.items.size(), 1u);
    EXPECT_EQ(p.form.dblBlockedCount, 1);
    EXPECT_EQ(p.lblCounter.caption, L"1 Popups blocked till now");
}

TEST_F(WatcherTest, ListAndLabelFailuresAreIgnored) {
    auto popup = Popup();
    p.lstPopups.addFails = true;
    p.lblCounter.writeFails = true;
    p.shell.Fire();
    EXPECT_TRUE(ClosedOnce(*popup));
    EXPECT_EQ(p.form.dblBlockedCount, 1);
}

TEST_F(WatcherTest, CloseRequestIsWmCloseWithZeroParameters) {
    auto popup = Popup();
    p.shell.Fire();
    EXPECT_GE(p.log.Find("PostMessageA " + std::to_string(*popup->hwnd) + " 16 0 0"), 0);
}

struct BeepCase {
    std::int16_t value;
    bool readFails;
    int beeps;
};
class BeepOption : public WatcherTest, public ::testing::WithParamInterface<BeepCase> {};

TEST_P(BeepOption, OnlyValueOneOrAnUnreadableValueBeeps) {
    p.chkBeep.value = GetParam().value;
    p.chkBeep.readFails = GetParam().readFails;
    Popup();
    p.shell.Fire();
    EXPECT_EQ(p.system.beeps, GetParam().beeps);
    if (GetParam().beeps) {
        EXPECT_LT(p.log.Find("Beep 800 25"), p.log.Find("AddItem lstPopups"));
    }
}

INSTANTIATE_TEST_SUITE_P(Values, BeepOption,
                         ::testing::Values(BeepCase{0, false, 0}, BeepCase{1, false, 1},
                                           BeepCase{2, false, 0}, BeepCase{0, true, 1}));

TEST_F(WatcherTest, BlockOrderIsBeepListCloseCountLabel) {
    p.chkBeep.value = 1;
    Popup();
    p.shell.Fire();
    auto beep = p.log.Find("Beep");
    auto add = p.log.Find("AddItem lstPopups");
    auto post = p.log.Find("PostMessageA");
    auto label = p.log.Find("SetCaption 1 Popups");
    EXPECT_LT(p.log.Find("DoEvents"), beep);
    EXPECT_LT(beep, add);
    EXPECT_LT(add, post);
    EXPECT_LT(post, label);
}

TEST_F(WatcherTest, BlockedWindowStillOpenIsJudgedAndCountedAgainAtALaterEvent) {
    auto popup = Popup();
    p.shell.Fire();
    p.shell.Fire(12345);  // the cookie makes no difference
    EXPECT_EQ(p.system.closeRequests.size(), 2u);
    EXPECT_EQ(p.lstPopups.items.size(), 2u);
    EXPECT_EQ(p.lblCounter.caption, L"2 Popups blocked till now");
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

// HasPlainWindowOfSize on its own: it either answers or fails as a whole.
struct PlainCase {
    const char* name;
    Setup setup;  // applied to a second, plain 640x480 window "plain"
    std::optional<bool> expected;
};
void PrintTo(const PlainCase& c, std::ostream* os) {
    *os << c.name;
}
class PlainWindow : public WatcherTest, public ::testing::WithParamInterface<PlainCase> {};

const PlainCase kPlainCases[] = {
    {"Matches", [](FakePlatform&, FakeBrowserWindow&) {}, true},
    {"RestoredSizeDiffers",
     [](FakePlatform& p, FakeBrowserWindow& w) { p.system.placements[*w.hwnd]->right += 1; },
     false},
    {"HeightAndWidthAreNotSwapped",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         p.system.placements[*w.hwnd] = platform::Rect{0, 0, 480, 640};
     },
     false},
    {"PlacementUnreadableDoesNotMatch",
     [](FakePlatform& p, FakeBrowserWindow& w) { p.system.placements.erase(*w.hwnd); }, false},
    {"ScriptOpenedWindowsAreSkipped",
     [](FakePlatform&, FakeBrowserWindow& w) { w.SetOpener(Opener::Page); }, false},
    {"NonHtmlSkippedBeforeItsOpenerIsRead",
     [](FakePlatform&, FakeBrowserWindow& w) {
         w.doc->className = L"ShellFolderView";
         w.SetOpener(Opener::Unreadable);
     },
     false},
    {"NoDocumentSkipped",
     [](FakePlatform&, FakeBrowserWindow& w) {
         w.document = std::shared_ptr<platform::Dispatch>();
     },
     false},
    {"DocumentUnreadableFails",
     [](FakePlatform&, FakeBrowserWindow& w) { w.document = std::nullopt; }, std::nullopt},
    {"ClassNameUnreadableFails",
     [](FakePlatform&, FakeBrowserWindow& w) { w.doc->className = std::nullopt; }, std::nullopt},
    {"OpenerUnreadableFails",
     [](FakePlatform&, FakeBrowserWindow& w) { w.SetOpener(Opener::Unreadable); }, std::nullopt},
    {"HwndUnreadableFails", [](FakePlatform&, FakeBrowserWindow& w) { w.hwnd = std::nullopt; },
     std::nullopt},
    {"FetchFails", [](FakePlatform& p, FakeBrowserWindow&) { p.shell.failFetchAt = 1; },
     std::nullopt},
    {"WalkCannotStart", [](FakePlatform& p, FakeBrowserWindow&) { p.shell.walkFails = {true}; },
     std::nullopt},
};

TEST_P(PlainWindow, AnswersOrFailsAsAWhole) {
    home->hwnd = 0x77;  // home (1024x768) is never the match
    auto plain = p.shell.Open("plain", L"Plain", Opener::EmptyString);
    p.system.placements[*plain->hwnd] = platform::Rect{100, 50, 740, 530};
    GetParam().setup(p, *plain);
    EXPECT_EQ(p.form.HasPlainWindowOfSize(480, 640), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlainWindow, ::testing::ValuesIn(kPlainCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WatcherTest, HtmlWindowCountStopsAtTheListLimit) {
    // 65537 HTML windows: a count that wrapped around would read exactly 1
    // and judge nothing; the capped count judges the popup.
    p.shell.windows.clear();
    auto popup = Popup();
    for (int i = 0; i < 65536; ++i) {
        auto w = std::make_shared<FakeBrowserWindow>(p.log, "plain", 0x100000 + i);
        w->document = home->doc;
        p.shell.windows.push_back(w);
    }
    p.log.enabled = false;
    p.shell.Fire();
    EXPECT_TRUE(ClosedOnce(*popup));
}

}  // namespace
}  // namespace shutterling::fakes
