// Start-up, first paint, close requests and shut-down, asserted from the call log.
#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "tray/tray_icon.h"

namespace shutterling::fakes {
namespace {

class Lifecycle : public ::testing::Test {
  protected:
    FakePlatform p;
};

TEST_F(Lifecycle, StartUpRunsItsStepsInOrder) {
    p.shell.Open("home", L"Home", Opener::Page);
    p.form.Form_Load();
    auto at =
        p.log.Positions({"PrevInstance", "Shell_NotifyIconA 0", "SetWindowLongA 3840 TrayWndProc",
                         "SetCaption 0 Popups blocked till now", "CreateShellWindows", "Walk",
                         "Put home.parentwindow.opener="});
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    EXPECT_TRUE(p.form.blnEnabled);
    EXPECT_TRUE(p.form.blnHideOnPaint);
    EXPECT_NE(p.form.SWs, nullptr);
    EXPECT_EQ(p.form.objBrowser, nullptr);
    EXPECT_EQ(p.log.Count("DoEvents"), 0) << "start-up never lets events in";
}

TEST_F(Lifecycle, SecondInstanceOrUnansweredQueryEndsAtOnceTouchingNothing) {
    for (std::optional<bool> previous : {std::optional<bool>(true), std::optional<bool>()}) {
        FakePlatform q;
        q.app.prevInstance = previous;
        EXPECT_THROW(q.form.Form_Load(), ProgramEnded);
        EXPECT_EQ(q.log.Entries(), (std::vector<std::string>{"PrevInstance", "End"}));
        EXPECT_FALSE(q.form.blnEnabled);
    }
}

TEST_F(Lifecycle, NoShellCollectionStartsAndBlocksNothing) {
    p.shell.createFails = true;
    p.form.Form_Load();
    EXPECT_EQ(p.form.SWs, nullptr);
    EXPECT_EQ(p.log.Count("Walk"), 0);
    EXPECT_TRUE(p.form.blnHideOnPaint) << "start-up completes";
    EXPECT_FALSE(p.shell.handler);
    p.form.Form_Unload();  // and the exit is clean
    EXPECT_GE(p.log.Find("Shell_NotifyIconA 2"), 0);
}

// A shell that could not be joined at start-up (busy at log-on, absent, or
// not answering in time) is tried again on the window's timer: every second
// for the first minute, so that a busy shell is joined soon after it answers,
// then each wait twice the last up to a minute. Once it is joined the timer
// stops and the windows open then are marked, as at start-up.
TEST_F(Lifecycle, UnjoinedShellIsTriedAgainUntilJoined) {
    p.shell.createFails = true;
    p.form.Form_Load();
    std::vector<std::uint32_t> waits{p.window.timer};
    for (int retry = 0; retry < 66; ++retry) {
        p.form.tmrJoinShell_Timer();
        waits.push_back(p.window.timer);
    }
    std::vector<std::uint32_t> expected(60, 1000);  // the first minute
    expected.insert(expected.end(), {2000, 4000, 8000, 16000, 32000, 60000, 60000});
    EXPECT_EQ(waits, expected);
    EXPECT_EQ(p.log.Count("CreateShellWindows"), 67);

    auto early = p.shell.Open("early", L"Ad", Opener::Page);
    p.shell.createFails = false;
    p.form.tmrJoinShell_Timer();
    EXPECT_NE(p.form.SWs, nullptr);
    EXPECT_EQ(p.window.timer, 0u);
    EXPECT_TRUE(early->IsMarked()) << "open when joined: marked, never judged";
    p.form.tmrJoinShell_Timer();  // a tick already queued changes nothing
    EXPECT_EQ(p.log.Count("CreateShellWindows"), 68);

    p.shell.Open("home", L"Home", Opener::EmptyString);
    auto popup = p.shell.Open("pop", L"Buy now", Opener::Page);
    popup->menuBar = false;
    p.shell.Fire();
    EXPECT_EQ(p.system.closeRequests, std::vector<platform::WindowHandle>{*popup->hwnd});
}

// A new taskbar may mean a restarted shell: a new collection is joined, its
// windows open then are marked, and popups after it are judged. The old
// subscription ends only once the new one is made: a join that fails keeps
// it, so a shell that did not restart still raises its events, and retries.
TEST_F(Lifecycle, NewTaskbarJoinsTheNewShell) {
    p.shell.Open("home", L"Home", Opener::EmptyString);
    p.form.Form_Load();
    auto open = p.shell.Open("open", L"Opened while the shell was down", Opener::Page);
    p.log.Clear();
    p.form.TaskbarCreated();
    auto at = p.log.Positions({"Shell_NotifyIconA 0", "CreateShellWindows", "Subscribe",
                               "Unsubscribe", "Put open.parentwindow.opener="});
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    EXPECT_EQ(p.shell.subscriptions, 2);
    EXPECT_TRUE(open->IsMarked());

    auto popup = p.shell.Open("pop", L"Buy now", Opener::Page);
    popup->menuBar = false;
    p.shell.Fire();
    EXPECT_EQ(p.system.closeRequests, std::vector<platform::WindowHandle>{*popup->hwnd});

    for (bool createFails : {true, false}) {
        SCOPED_TRACE(createFails ? "no collection" : "subscription refused");
        auto held = p.form.SWs;
        p.shell.createFails = createFails;
        p.shell.subscribeFails = !createFails;
        p.form.TaskbarCreated();
        EXPECT_EQ(p.form.SWs, held);
        EXPECT_EQ(p.window.timer, 1000u);
        auto later = p.shell.Open("later", L"Buy more", Opener::Page);
        later->menuBar = false;
        p.shell.Fire();
        EXPECT_EQ(p.system.closeRequests.back(), *later->hwnd) << "the old subscription holds";
        p.shell.windows.pop_back();
    }
    p.form.Form_Unload();
    p.form.tmrJoinShell_Timer();
    EXPECT_EQ(p.log.Count("CreateShellWindows"), 3) << "nothing is joined after Exit";
}

// A popup that registers inside the join, before the subscription is made,
// raises its event where no collection of ours is subscribed: it is judged all
// the same, and the windows open before the join are still only marked.
TEST_F(Lifecycle, PopupInsideTheJoinIsJudgedOnceTheOpenOnesMarked) {
    auto home = p.shell.Open("home", L"Home", Opener::EmptyString);
    auto before = p.shell.Open("before", L"Open before the start", Opener::Page);
    before->menuBar = false;
    std::shared_ptr<FakeBrowserWindow> inside;
    p.shell.duringSubscribe = [&] {
        inside = p.shell.Open("inside", L"Ad", Opener::Page);
        inside->menuBar = false;
        p.shell.Fire();
    };
    p.form.Form_Load();
    EXPECT_TRUE(before->IsMarked());
    EXPECT_EQ(p.system.closeRequests, std::vector<platform::WindowHandle>{*inside->hwnd});
    EXPECT_EQ(p.form.dblBlockedCount, 1);
}

// The join's calls dispatch messages while they wait: a tick of the timer that
// comes there is no request to join again, a new taskbar is.
struct InsideJoinCase {
    const char* name;
    bool taskbar;  // else a tick of the timer
    bool joins;    // the join in progress succeeds
    int tries;     // activations in all
    std::uint32_t timer;
};
void PrintTo(const InsideJoinCase& c, std::ostream* os) {
    *os << c.name;
}
class InsideJoin : public ::testing::TestWithParam<InsideJoinCase> {};

TEST_P(InsideJoin, TriesAgainOnlyForANewTaskbar) {
    const auto& c = GetParam();
    FakePlatform q;
    q.shell.createFails = true;
    q.form.Form_Load();
    auto early = q.shell.Open("early", L"Ad", Opener::Page);
    q.shell.createFails = !c.joins;
    q.shell.duringCreate = [&q, &c] {
        if (c.taskbar)
            q.form.TaskbarCreated();
        else
            q.form.tmrJoinShell_Timer();
    };
    q.form.tmrJoinShell_Timer();
    EXPECT_EQ(q.log.Count("CreateShellWindows"), 1 + c.tries);
    EXPECT_EQ(q.window.timer, c.timer);
    const int joined = c.joins ? c.tries : 0;
    EXPECT_EQ(q.shell.subscriptions, joined);
    EXPECT_EQ(early->parentWindow->puts, joined) << "marked once a join";
    EXPECT_EQ(q.form.SWs != nullptr, c.joins);
}

INSTANTIATE_TEST_SUITE_P(Cases, InsideJoin,
                         ::testing::Values(InsideJoinCase{"TickJoined", false, true, 1, 0},
                                           InsideJoinCase{"TickFailed", false, false, 1, 1000},
                                           InsideJoinCase{"TaskbarJoined", true, true, 2, 0},
                                           InsideJoinCase{"TaskbarFailed", true, false, 2, 1000}),
                         [](const auto& info) { return std::string(info.param.name); });

// A new taskbar is a shell that has just come back: a join that fails then is
// tried again soon, however long the waits before it had grown.
TEST_F(Lifecycle, NewTaskbarStartsTheWaitsAgain) {
    p.shell.createFails = true;
    p.form.Form_Load();
    for (int tick = 0; tick < 100 && p.window.timer <= 1000; ++tick)
        p.form.tmrJoinShell_Timer();
    ASSERT_GT(p.window.timer, 1000u);
    p.form.TaskbarCreated();
    EXPECT_EQ(p.window.timer, 1000u);
}

TEST_F(Lifecycle, FirstPaintHidesLaterPaintsDoNot) {
    p.form.Form_Load();
    p.window.Show();
    p.form.Form_Paint();
    EXPECT_FALSE(p.window.visible);
    EXPECT_FALSE(p.form.blnHideOnPaint);
    p.window.Show();  // Settings from the tray
    p.form.Form_Paint();
    EXPECT_TRUE(p.window.visible);
}

TEST_F(Lifecycle, CloseBoxHidesOtherCausesProceed) {
    p.form.Form_Load();
    p.window.Show();
    std::int16_t cancel = 0;
    p.form.Form_QueryUnload(cancel, 0);
    EXPECT_EQ(cancel, 1);
    EXPECT_FALSE(p.window.visible);
    EXPECT_EQ(p.log.Find("SaveSetting"), -1) << "nothing is saved by hiding";

    for (std::int16_t mode : {1, 2, 3, 5}) {
        std::int16_t keep = 0;
        p.window.Show();
        p.form.Form_QueryUnload(keep, mode);
        EXPECT_EQ(keep, 0);
        EXPECT_TRUE(p.window.visible);
    }
}

TEST_F(Lifecycle, ShutDownRunsItsStepsInOrderAndReleasesTheShell) {
    p.form.Form_Load();
    p.chkWindowStartup.value = 1;
    p.log.Clear();
    p.window.Unload();
    auto at = p.log.Positions(
        {"SaveSetting Shutterling/Options/Beep=", "SaveSetting Shutterling/Options/WindowStartUp=",
         "SaveSetting Shutterling/Options/PopupCounter=", "ReplaceFile", "RegOpenKeyExA",
         "Shell_NotifyIconA 2", "SetWindowLongA 3840 30464", "Unsubscribe"});
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    EXPECT_EQ(p.form.SWs, nullptr);
    EXPECT_FALSE(p.form.IsLoaded());
}

TEST_F(Lifecycle, ShutDownStepsAllRunWhenEarlierOnesFail) {
    p.form.Form_Load();
    p.settings.failingKeys = {L"Beep", L"WindowStartUp", L"PopupCounter"};
    p.chkWindowStartup.readFails = true;  // registration left as it was
    p.lstSafe.readsFail = true;
    p.log.Clear();
    p.form.Form_Unload();
    EXPECT_EQ(p.log.Find("RegOpenKeyExA"), -1);
    EXPECT_GE(p.log.Find("Shell_NotifyIconA 2"), 0);
    EXPECT_GE(p.log.Find("SetWindowLongA 3840 30464"), 0);
    EXPECT_GE(p.log.Find("Unsubscribe"), 0);
}

TEST_F(Lifecycle, TrayRecordsCarryTheFixedFieldsAndThePaddedTooltip) {
    p.form.Form_Load();
    p.form.Form_Unload();
    ASSERT_EQ(p.tray.calls.size(), 2u);
    auto [addOp, add] = p.tray.calls[0];
    EXPECT_EQ(addOp, platform::TrayOp::Add);
    EXPECT_EQ(add.cbSize, 88u);
    EXPECT_EQ(add.hWnd, 0xF00u);
    EXPECT_EQ(add.uID, 0u);
    EXPECT_EQ(add.uFlags, 7u);
    EXPECT_EQ(add.uCallbackMessage, 1400u);
    EXPECT_EQ(add.hIcon, 0x51C0u);
    std::string tip(add.szTip.begin(), add.szTip.end());
    EXPECT_EQ(tip, std::string("Shutterling Enabled") + '\0' + std::string(44, ' '));

    auto [deleteOp, removed] = p.tray.calls[1];
    EXPECT_EQ(deleteOp, platform::TrayOp::Delete);
    EXPECT_EQ(removed.cbSize, 88u);
    EXPECT_EQ(removed.hWnd, 0xF00u);
    EXPECT_EQ(removed.uFlags, 0u);
    EXPECT_EQ(removed.hIcon, 0u);
    for (char c : removed.szTip)
        EXPECT_EQ(c, '\0');
}

TEST(TooltipField, TextLongerThan63BytesIsCutToLeaveTheNul) {
    auto field = TooltipField(std::string(70, 'x'));
    EXPECT_EQ(std::string(field.begin(), field.begin() + 63), std::string(63, 'x'));
    EXPECT_EQ(field[63], '\0');
}

struct SafeCase {
    std::vector<std::wstring> list;
    std::wstring title;
    bool expected;
};
class SafeList : public ::testing::TestWithParam<SafeCase> {};

TEST_P(SafeList, MatchesExactly) {
    FakePlatform q;
    q.lstSafe.items = GetParam().list;
    EXPECT_EQ(q.form.IsInSafeList(GetParam().title), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeList,
    ::testing::Values(SafeCase{{}, L"", false}, SafeCase{{}, L"News", false},
                      SafeCase{{L"News"}, L"News", true}, SafeCase{{L"News"}, L"news", false},
                      SafeCase{{L"News"}, L"News ", false}, SafeCase{{L"News "}, L"News", false},
                      SafeCase{{L"a", L"", L"b"}, L"", true}, SafeCase{{L"a", L"b"}, L"", false},
                      SafeCase{{L"x", L"x"}, L"x", true},
                      SafeCase{{L"Caf\u00e9"}, L"Cafe\u0301", false}));

TEST(SafeListFailure, UnreadableListGivesNoAnswer) {
    FakePlatform q;
    q.lstSafe.items = {L"News"};
    q.lstSafe.readsFail = true;
    EXPECT_EQ(q.form.IsInSafeList(L"News"), std::nullopt);
}

struct CountCase {
    double count;
    std::wstring caption;
};
class BlockedCount : public ::testing::TestWithParam<CountCase> {};

TEST_P(BlockedCount, ShowsPlainDigits) {
    FakePlatform q;
    q.form.dblBlockedCount = GetParam().count;
    EXPECT_TRUE(q.form.ShowBlockedCount());
    EXPECT_EQ(q.lblCounter.caption, GetParam().caption + L" Popups blocked till now");
}

INSTANTIATE_TEST_SUITE_P(Counts, BlockedCount,
                         ::testing::Values(CountCase{0, L"0"}, CountCase{1, L"1"},
                                           CountCase{42, L"42"}, CountCase{1e6, L"1000000"},
                                           CountCase{1e15, L"1000000000000000"},
                                           CountCase{9007199254740993.0, L"9007199254740992"}));

}  // namespace
}  // namespace shutterling::fakes
