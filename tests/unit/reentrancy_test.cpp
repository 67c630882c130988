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
    // The outer walk had met both before the nested pass blocked them: its
    // end must not take them for windows the shell has let go.
    p.shell.Fire();

    // The nested pass blocked both; the outer pass and the later one add nothing.
    EXPECT_TRUE(ClosedOnce(*first));
    EXPECT_TRUE(ClosedOnce(*second));
    EXPECT_EQ(p.form.dblBlockedCount, 2);
    EXPECT_EQ(p.system.beeps, 2);
    EXPECT_EQ(p.lstPopups.items.size(), 2u);
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

// On the real platform every call to the shell is an outgoing COM call, and the
// apartment runs the shell's next event (or the shut-down) inside it. So each
// case below is run once for every call the start-up or the handler makes,
// with the nested work arriving inside exactly that call.
namespace nesting {

bool IsShellCall(const std::string& entry) {
    for (const char* prefix :
         {"CreateShellWindows", "Subscribe", "Walk", "Next", "Document ", "ClassName ", "Get ",
          "Put ", "FullScreen ", "MenuBar ", "LocationName ", "Width ", "Height ", "HWND "}) {
        if (entry.rfind(prefix, 0) == 0)
            return true;
    }
    return false;
}

enum class Moment { StartUp, Running };
enum class Nested { Burst, Exit };

struct Case {
    const char* name;
    Moment moment;
    Nested nested;
    std::vector<std::string> reads;  // calls the scene must reach, to prove it got that far
};
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

// home (plain), and popups of every kind the judgment reads differently:
// "pop" has no menu bar, "sized" has a plain window's size and a gone opener,
// "kept" has a plain window's size and a live opener (let through).
class Scene {
  public:
    explicit Scene(Moment moment) : moment_(moment) {
        auto home = p.shell.Open("home", L"Home page", Opener::EmptyString);
        home->width = 1024;
        home->height = 768;
        p.system.placements[*home->hwnd] = platform::Rect{10, 20, 1034, 788};
        if (moment == Moment::Running)
            p.form.Form_Load();
        Popup("pop");
        auto sized = Popup("sized");
        sized->menuBar = true;
        sized->width = 1024;
        sized->height = 768;
        sized->SetOpenerClosed(std::nullopt);
        auto kept = Popup("kept");
        kept->menuBar = true;
        kept->width = 1024;
        kept->height = 768;
        p.log.Clear();
    }

    std::shared_ptr<FakeBrowserWindow> Popup(const std::string& name) {
        auto w = p.shell.Open(name, L"Ad " + std::wstring(name.begin(), name.end()), Opener::Page);
        w->menuBar = false;
        w->width = 300;
        w->height = 250;
        return w;
    }
    void Run() {
        if (moment_ == Moment::StartUp) {
            p.form.Form_Load();
        } else {
            p.shell.Fire();
        }
    }
    // Two popups register: the second one inside a call of the first one's handler.
    void Arm(int calls, Nested nested) {
        p.log.NestInside(calls, [this, nested] {
            if (nested == Nested::Exit) {
                p.window.Unload();
                return;
            }
            Popup("late1");
            p.log.NestInside(6, [this] {
                Popup("late2");
                p.shell.Fire();
            });
            p.shell.Fire();
        });
    }
    int Closes(const std::string& name) const {
        auto w = p.shell.Find(name);
        return w ? static_cast<int>(std::count(p.system.closeRequests.begin(),
                                               p.system.closeRequests.end(), *w->hwnd))
                 : 0;
    }

    FakePlatform p;

  private:
    Moment moment_;
};

const std::vector<std::string> kMarkingReads{"Walk", "Next", "Document kept", "ClassName kept",
                                             "Put kept.parentwindow.opener="};
const std::vector<std::string> kJudgmentReads{"FullScreen pop",
                                              "LocationName pop",
                                              "MenuBar pop",
                                              "HWND pop",
                                              "Height sized",
                                              "Width sized",
                                              "HWND home",
                                              "Get sized.opener.Parent.closed",
                                              "Put kept.parentwindow.opener="};

class Nesting : public ::testing::TestWithParam<Case> {};

TEST_P(Nesting, InsideAnyShellCallNothingCrashesAndOnePopupIsOneBlock) {
    const Case& c = GetParam();
    std::vector<int> points;
    int subscribedAt = -1;
    {
        Scene baseline(c.moment);
        baseline.Run();
        const auto& entries = baseline.p.log.Entries();
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (IsShellCall(entries[i]))
                points.push_back(static_cast<int>(i));
        }
        for (const auto& read : c.reads)
            EXPECT_GE(baseline.p.log.Find(read), 0) << read;
        subscribedAt = baseline.p.log.Find("Subscribe");
    }

    for (int at : points) {
        auto scene = std::make_unique<Scene>(c.moment);
        auto& p = scene->p;
        scene->Arm(at, c.nested);
        scene->Run();
        SCOPED_TRACE("nested inside call " + std::to_string(at));

        EXPECT_EQ(p.form.objBrowser, nullptr);
        for (const auto& w : p.shell.windows)
            EXPECT_LE(scene->Closes(w->name), 1) << w->name;
        EXPECT_EQ(scene->Closes("home"), 0);
        EXPECT_EQ(scene->Closes("kept"), 0);
        if (c.nested == Nested::Burst) {
            EXPECT_EQ(p.form.dblBlockedCount, static_cast<double>(p.system.closeRequests.size()));
            EXPECT_EQ(p.lstPopups.items.size(), p.system.closeRequests.size());
            // A popup that registers while a join takes the windows open then
            // is one of them: marked. One that registers later is blocked, even
            // when its event comes before the subscription is complete.
            for (const char* late : {"late1", "late2"})
                EXPECT_NE(p.shell.Find(late)->IsMarked(), scene->Closes(late) == 1) << late;
            if (at >= subscribedAt) {
                EXPECT_EQ(scene->Closes("late1"), 1);
            }
            if (c.moment == Moment::Running) {
                EXPECT_EQ(scene->Closes("late1"), 1);
                EXPECT_EQ(scene->Closes("late2"), 1);
                EXPECT_EQ(scene->Closes("pop"), 1);
                EXPECT_EQ(scene->Closes("sized"), 1);
            }
        } else {
            ASSERT_TRUE(p.window.unloaded);
            EXPECT_EQ(p.form.SWs, nullptr);
            // What was saved counts every block that was complete before the exit.
            EXPECT_EQ(p.settings.Stored(L"PopupCounter"),
                      std::to_wstring(p.system.closeRequests.size()));
            // A subscription made ends with the exit, and nothing is asked after it.
            const auto& entries = p.log.Entries();
            auto unloaded = p.log.Find("Shell_NotifyIconA 2");
            ASSERT_GE(unloaded, 0);
            EXPECT_EQ(p.log.Count("Unsubscribe"), p.shell.subscriptions);
            for (auto i = static_cast<std::size_t>(unloaded) + 1; i < entries.size(); ++i) {
                if (IsShellCall(entries[i]))
                    ADD_FAILURE() << "after the exit: " << entries[i];
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Reentrancy, Nesting,
    ::testing::Values(Case{"BurstDuringStartUp", Moment::StartUp, Nested::Burst, kMarkingReads},
                      Case{"BurstWhileRunning", Moment::Running, Nested::Burst, kJudgmentReads},
                      Case{"ExitDuringStartUp", Moment::StartUp, Nested::Exit, kMarkingReads},
                      Case{"ExitWhileRunning", Moment::Running, Nested::Exit, kJudgmentReads}),
    kCaseName);

}  // namespace nesting

}  // namespace
}  // namespace shutterling::fakes
