// The About window: its load, its two links, one window at most, and the
// shut-down that leaves it open and the process alive until it closes.
#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace shutterling::fakes {
namespace {

using Lines = std::vector<std::string>;

// The log from the first entry starting with one of the prefixes given.
Lines Only(const CallLog& log, const Lines& prefixes) {
    Lines out;
    for (const auto& entry : log.Entries()) {
        for (const auto& prefix : prefixes) {
            if (entry.rfind(prefix, 0) == 0) {
                out.push_back(entry);
                break;
            }
        }
    }
    return out;
}

TEST(About, LoadSetsBothCaptionsThenBothPointersBeforeTheWindowShows) {
    FakePlatform p;
    p.form.mnuAbout_Click();
    EXPECT_EQ(p.log.Entries(),
              (Lines{"AboutLoad", "SetCaption lblURL http://www.example.org/",
                     "SetCaption lblContact shutterling@example.org", "SetMouseIcon lblURL 192",
                     "SetMouseIcon lblContact 192", "AboutShow"}));
    EXPECT_TRUE(p.about.visible);
    EXPECT_EQ(p.about.url.mouseIcon, p.about.hand.picture);
}

TEST(About, EachLinkClickIsOneLaunchOfTheAddressShown) {
    enum Link { Web, Mail };
    struct Case {
        const char* name;
        std::vector<Link> clicks;
        Lines launches;
    };
    const std::string web = "0|NULL|http://www.example.org/|NULL|C:\\|1";
    const std::string mail = "0|NULL|mailto:shutterling@example.org|NULL|C:\\|1";
    const Case cases[] = {
        {"web", {Web}, {web}},
        {"mail", {Mail}, {mail}},
        {"web twice", {Web, Web}, {web, web}},
        {"mail, web, mail", {Mail, Web, Mail}, {mail, web, mail}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform p;
        p.form.mnuAbout_Click();
        for (Link link : c.clicks) {
            if (link == Web)
                p.about.events->lblURL_Click();
            else
                p.about.events->lblContact_Click();
            EXPECT_TRUE(p.about.loaded && p.about.visible) << "a click leaves the window open";
        }
        EXPECT_EQ(p.launcher.calls, c.launches);
    }
    // What is launched is what the labels show, the mail behind "mailto:".
    FakePlatform p;
    p.form.mnuAbout_Click();
    EXPECT_EQ("0|NULL|" + Narrow(p.about.url.caption) + "|NULL|C:\\|1", web);
    EXPECT_EQ("0|NULL|mailto:" + Narrow(p.about.contact.caption) + "|NULL|C:\\|1", mail);
}

TEST(About, OneWindowAtMostAndANewLoadAfterEachClose) {
    enum Step { About, Ok, CloseBox };
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int loads;
        bool open;
    };
    const Case cases[] = {
        {"About", {About}, 1, true},
        {"About twice: the same window again", {About, About}, 1, true},
        {"About, OK", {About, Ok}, 1, false},
        {"About, OK, About: loaded anew", {About, Ok, About}, 2, true},
        {"About, close box, About, About", {About, CloseBox, About, About}, 2, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakePlatform p;
        for (Step step : c.steps) {
            if (step == About)
                p.form.mnuAbout_Click();
            else if (step == Ok)
                p.about.events->cmdOK_Click();
            else
                p.about.Unload();
        }
        EXPECT_EQ(p.log.Count("AboutLoad"), c.loads);
        EXPECT_EQ(p.log.Count("SetCaption lblURL"), c.loads) << "Form_Load runs once per load";
        EXPECT_EQ(p.about.loaded, c.open);
        EXPECT_EQ(p.about.visible, c.open);
        if (c.open) {
            EXPECT_EQ(p.about.url.caption, L"http://www.example.org/");
            EXPECT_EQ(p.about.contact.mouseIcon, p.about.hand.picture);
        }
        EXPECT_FALSE(p.forms.quit) << "the main window is still loaded";
    }
}

TEST(About, AWindowThatCannotBeMadeIsNotShown) {
    FakePlatform p;
    p.about.loadFails = true;
    p.form.mnuAbout_Click();
    EXPECT_EQ(p.log.Entries(), (Lines{"AboutLoad"}));
}

TEST(About, ExitWhileOpenShutsDownAtOnceAndTheProcessEndsWhenAboutCloses) {
    struct Case {
        const char* name;
        bool aboutOpen;
    };
    for (const Case c : {Case{"About open", true}, Case{"About never opened", false}}) {
        SCOPED_TRACE(c.name);
        FakePlatform p;
        p.shell.Open("home", L"Home", Opener::Page);
        p.form.Form_Load();
        p.chkBeep.value = 1;
        if (c.aboutOpen)
            p.form.mnuAbout_Click();
        p.log.Clear();

        p.window.Unload();  // the tray's Exit
        const auto shutDown = Only(p.log, {"SaveSetting", "Shell_NotifyIconA", "SetWindowLongA"});
        ASSERT_EQ(shutDown.size(), 5u);
        EXPECT_EQ(shutDown[0], "SaveSetting Shutterling/Options/Beep=1");
        EXPECT_EQ(shutDown[3], "Shell_NotifyIconA 2");
        EXPECT_EQ(shutDown[4], "SetWindowLongA 3840 30464");
        EXPECT_EQ(p.form.SWs, nullptr);
        EXPECT_EQ(p.log.Count("AboutUnload"), 0) << "the shut-down leaves About alone";
        EXPECT_EQ(p.forms.quit, !c.aboutOpen);
        if (!c.aboutOpen)
            continue;

        // Lingering: no subscription, yet the window still works.
        EXPECT_FALSE(p.shell.handler);
        p.about.events->lblURL_Click();
        EXPECT_EQ(p.launcher.calls.size(), 1u);
        EXPECT_TRUE(p.about.visible);
        EXPECT_FALSE(p.forms.quit);
        p.about.events->cmdOK_Click();
        EXPECT_TRUE(p.forms.quit);
        EXPECT_EQ(p.log.Count("Shell_NotifyIconA"), 1) << "nothing of the shut-down runs again";
    }
}

}  // namespace
}  // namespace shutterling::fakes
