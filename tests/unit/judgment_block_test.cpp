// The block of a popup: its reads, then the close request, then the beep, its
// entry in the list and the count, which follow only a request that went out.
#include "unit/watcher_fixture.h"

namespace shutterling::fakes {
namespace {

// The calls made since entry `from` of the log that asked the window `name`
// or one of its objects ("storm1" is not "storm10").
long AskedSince(const CallLog& log, std::size_t from, const std::string& name) {
    const auto& entries = log.Entries();
    return std::count_if(
        entries.begin() + static_cast<long>(from), entries.end(), [&](const std::string& e) {
            return (e + " ").find(name + " ") != e.npos || e.find(name + ".") != e.npos;
        });
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
        platform::Read<std::wstring> LocationName() override {
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

// A read the block needs that fails or goes unanswered, or a close request that
// does not go out: nothing at all happens in that pass, and the popup is
// blocked once at a later event, when it answers.
const WindowCase<bool> kBlockFaults[] = {
    {"TitleFailsTwice", [](FakePlatform&, FakeBrowserWindow& w) { w.locationNameFailures = 3; }},
    {"HwndFails", [](FakePlatform&, FakeBrowserWindow& w) { w.hwnd = std::nullopt; }},
    {"HwndUnanswered", [](FakePlatform&, FakeBrowserWindow& w) { w.silence->from = "HWND pop"; }},
    {"PostFails", [](FakePlatform& p, FakeBrowserWindow&) { p.system.postFails = true; }},
    {"QuitFails",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         p.system.tabWindows[*w.hwnd] = 2;
         w.quitFails = true;
     }},
};
class BlockFault : public WatcherTest, public ::testing::WithParamInterface<WindowCase<bool>> {};

TEST_P(BlockFault, HasNoEffectAndTheNextEventBlocksOnce) {
    auto popup = Popup();
    auto hwnd = *popup->hwnd;
    p.chkBeep.value = 1;
    GetParam().setup(p, *popup);
    p.shell.Fire();
    EXPECT_EQ(p.system.beeps, 0);
    EXPECT_TRUE(p.lstPopups.items.empty());
    EXPECT_EQ(p.form.dblBlockedCount, 0);
    EXPECT_FALSE(popup->IsMarked()) << "left for a later event, not let through";

    // The popup answers again: one block, and no more at the events after.
    *popup->silence = Silence{};
    popup->hwnd = hwnd;
    popup->locationNameFailures = 0;
    popup->quitFails = false;
    p.system.postFails = false;
    p.shell.Fire();
    p.shell.Fire();
    EXPECT_EQ(p.system.beeps, 1);
    EXPECT_EQ(p.lstPopups.items, std::vector<std::wstring>{L"Buy now"});
    EXPECT_EQ(p.form.dblBlockedCount, 1);
    EXPECT_EQ(p.system.closeRequests.size() + static_cast<std::size_t>(popup->quits), 1u);
}

INSTANTIATE_TEST_SUITE_P(Faults, BlockFault, ::testing::ValuesIn(kBlockFaults), kCaseName);

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

// Every tab of a frame reports the frame's handle: WM_CLOSE to it would close
// the user's other tabs too.
struct CloseCase {
    const char* name;
    std::optional<int> tabs;  // tab windows the frame holds; nullopt: unreadable
    bool quitFails;
    bool wmClose;  // the frame gets WM_CLOSE
    bool quit;     // the tab is asked to quit
};
class CloseChoice : public WatcherTest, public ::testing::WithParamInterface<CloseCase> {};

TEST_P(CloseChoice, OnlyAFrameOfOneTabGetsWmCloseOtherwiseTheTabQuitsAlone) {
    const auto& c = GetParam();
    auto popup = Popup();
    p.system.tabWindows[*popup->hwnd] = c.tabs;
    popup->quitFails = c.quitFails;
    p.shell.Fire();
    EXPECT_EQ(ClosedOnce(*popup), c.wmClose);
    EXPECT_EQ(p.log.Find("Quit pop") >= 0, c.quit);
    EXPECT_EQ(p.system.closeRequests.size(), c.wmClose ? 1u : 0u);
    // One popup, one block, however it was closed; none when the request failed.
    const bool blocked = !(c.quit && c.quitFails);
    EXPECT_EQ(p.lstPopups.items.size(), blocked ? 1u : 0u);
    EXPECT_EQ(p.form.dblBlockedCount, blocked ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(
    Frames, CloseChoice,
    ::testing::Values(CloseCase{"OneTab", 1, false, true, false},
                      CloseCase{"NoTabWindowsAsBeforeTabs", 0, false, true, false},
                      CloseCase{"AmongOtherTabs", 3, false, false, true},
                      CloseCase{"TabsUnreadable", std::nullopt, false, false, true},
                      CloseCase{"QuitFailsNothingElseIsSent", 2, true, false, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WatcherTest, TabLetThroughCostsNoTabCountAndNoQuit) {
    auto tab = Popup("tab");
    tab->menuBar = true;
    tab->width = 1024;
    tab->height = 768;
    p.system.tabWindows[*tab->hwnd] = 3;
    p.shell.Fire();
    EXPECT_TRUE(tab->IsMarked());
    EXPECT_EQ(p.log.Find("Quit tab"), -1);
    EXPECT_EQ(p.log.Find("CountTabWindows"), -1);
    EXPECT_TRUE(p.system.closeRequests.empty());
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

TEST_F(WatcherTest, BlockOrderIsReadsCloseBeepListCountLabel) {
    p.chkBeep.value = 1;
    Popup();
    p.shell.Fire();
    auto at = p.log.Positions({"DoEvents", "HWND pop", "PostMessageA", "Beep 800 25",
                               "AddItem lstPopups", "SetCaption 1 Popups"});
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
}

// A popup can outlive its close request: its page asks whether to leave and
// the user stays. It is asked once and never read again while the shell
// holds it; once the shell lets it go, so does the program.
TEST_F(WatcherTest, AskedToCloseIsBlockedOnceAndHeldOnlyWhileTheShellHasIt) {
    auto stays = Popup("stays", L"Are you sure?");
    p.shell.Fire();
    const auto asked = p.log.Entries().size();
    for (const char* name : {"a", "b", "c"}) {
        Popup(name);
        p.shell.Fire(12345);  // the cookie makes no difference
    }
    EXPECT_TRUE(ClosedOnce(*stays));
    EXPECT_EQ(AskedSince(p.log, asked, "stays"), 0) << "nothing asked of it again";
    EXPECT_EQ(p.lstPopups.items.size(), 4u);
    EXPECT_EQ(p.lblCounter.caption, L"4 Popups blocked till now");
    EXPECT_EQ(p.form.closingWindows.size(), 4u);

    // The shell lets three go; the next complete walk forgets them.
    p.shell.windows.resize(2);
    p.shell.Fire();
    EXPECT_EQ(p.form.closingWindows.size(), 1u);
    EXPECT_EQ(p.form.dblBlockedCount, 4);
}

// A page opens popups in a loop faster than its browser handles the close
// requests: each event's walks, the size test's among them, pass the popups
// asked to close without a read.
TEST_F(WatcherTest, StormOfPopupsStillOpenIsOneBlockEachWithoutReadingThemAgain) {
    std::vector<std::shared_ptr<FakeBrowserWindow>> storm;
    std::vector<std::size_t> askedAt;
    for (int i = 0; i < 40; ++i) {
        storm.push_back(Popup("storm" + std::to_string(i)));
        storm.back()->menuBar = true;  // the size test walks the collection too
        p.shell.Fire();
        askedAt.push_back(p.log.Entries().size());
    }
    for (int i = 0; i < 40; ++i) {
        EXPECT_TRUE(ClosedOnce(*storm[i])) << i;
        EXPECT_EQ(AskedSince(p.log, askedAt[i], "storm" + std::to_string(i)), 0) << i;
    }
    EXPECT_EQ(p.lstPopups.items.size(), 40u);
    EXPECT_EQ(p.lblCounter.caption, L"40 Popups blocked till now");
}

// A walk looks at each window briefly: one that does not answer in time is
// left, and judged once its answer comes. Where an unanswered read would
// decide for good (the size test lets through, a failed opener probe blocks,
// a Quit given up on may still close the tab uncounted, an unmarked window is
// judged later as new), the read waits in full.
TEST_F(WatcherTest, OnlyReadsWhoseSilenceLeavesTheWindowForLaterWaitBriefly) {
    auto tab = Popup("tab");
    LooksOrdinary(p, *tab);
    tab->SetOpenerClosed(std::nullopt);  // the probe blocks it
    p.system.tabWindows[*tab->hwnd] = 2;
    p.shell.Fire();
    ASSERT_EQ(tab->quits, 1);

    const auto& brief = p.log.briefEntries;
    auto waitedBriefly = [&](const std::string& entry) {
        return std::find(brief.begin(), brief.end(), entry) != brief.end();
    };
    for (const char* entry : {"Document tab", "ClassName tab.document", "FullScreen tab",
                              "MenuBar tab", "Width tab", "HWND tab"})
        EXPECT_TRUE(waitedBriefly(entry)) << entry;
    for (const char* entry :
         {"Put home.parentwindow.opener=", "HWND home", "Get tab.opener.Parent", "Quit tab"})
        EXPECT_FALSE(waitedBriefly(entry)) << entry;
    EXPECT_FALSE(p.log.brief) << "the handler leaves the waits as it found them";
}

}  // namespace
}  // namespace shutterling::fakes
