// The block of a popup: the beep, its entry in the list, the close request
// and the count, each step going on when an earlier one fails.
#include "unit/watcher_fixture.h"

namespace shutterling::fakes {
namespace {

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
    EXPECT_EQ(popup->quits, 0);
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
    // One popup, one block, however it was closed.
    EXPECT_EQ(p.lstPopups.items, std::vector<std::wstring>{L"Buy now"});
    EXPECT_EQ(p.form.dblBlockedCount, 1);
    EXPECT_LT(p.log.Find(c.quit ? "Quit pop" : "PostMessageA"), p.log.Find("SetCaption 1 Popups"));
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

}  // namespace
}  // namespace shutterling::fakes
