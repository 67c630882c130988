// TrayWndProc's decisions, the tray menu's commands, the blocking toggle and
// the icon added again for a new taskbar, asserted from the call log.
#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "tray/tray_icon.h"
#include "unit/named_cases.h"

namespace shutterling::fakes {
namespace {

constexpr std::uint32_t kWmPaint = 15;
const std::string kHanded = "CallWindowProcA 30464 3840 ";  // the saved procedure, the window

class Tray : public ::testing::Test {
  protected:
    void SetUp() override {
        p.form.Form_Load();
        p.log.Clear();
    }
    std::intptr_t Callback(std::intptr_t mouse, std::uintptr_t wParam = 0) {
        return modCommon::TrayWndProc(0xF00, WM_TRAYICON, wParam, mouse);
    }
    static std::string Tip(const platform::TrayRecord& record) {
        return std::string(record.szTip.begin(), record.szTip.end());
    }
    static std::string Field(const std::string& text) {
        return text + '\0' + std::string(63 - text.size(), ' ');
    }
    FakePlatform p;
};

struct CallbackCase {
    const char* name;
    std::uint32_t msg;
    std::intptr_t lParam;
    bool menu;
    bool shows;
};

class TrayCallbacks : public Tray, public ::testing::WithParamInterface<CallbackCase> {};

TEST_P(TrayCallbacks, ActOnlyOnRightButtonUpAndLeftDoubleClickAndAlwaysHandOn) {
    const auto& c = GetParam();
    const auto result = modCommon::TrayWndProc(0xF00, c.msg, 7, c.lParam);

    EXPECT_EQ(result, FakeTray::ResultOf(c.msg, c.lParam)) << "the saved procedure's result";
    const auto& log = p.log.Entries();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), kHanded + std::to_string(c.msg) + " 7 " + std::to_string(c.lParam))
        << "handed on last, arguments unchanged";
    EXPECT_EQ(p.log.Count("CallWindowProcA"), 1);
    EXPECT_EQ(p.log.Count("PopupMenu mnuSettings"), c.menu ? 1 : 0);
    EXPECT_EQ(p.log.Count("DoEvents"), c.menu ? 1 : 0);
    EXPECT_EQ(p.log.Count("Show"), c.shows ? 1 : 0);
    EXPECT_EQ(p.window.visible, c.shows);
    EXPECT_EQ(p.log.Count("SetForegroundWindow 3840"), c.menu || c.shows ? 1 : 0);
    if (c.menu) {
        auto at = p.log.Positions({"SetForegroundWindow", "DoEvents", "PopupMenu mnuSettings",
                                   "PopupMenu closed", "CallWindowProcA"});
        EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    }
    if (c.shows) {
        auto at = p.log.Positions({"Show", "SetForegroundWindow", "CallWindowProcA"});
        EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Messages, TrayCallbacks,
    ::testing::Values(CallbackCase{"RightButtonUp", WM_TRAYICON, 517, true, false},
                      CallbackCase{"LeftDoubleClick", WM_TRAYICON, 515, false, true},
                      CallbackCase{"LeftButtonDown", WM_TRAYICON, 513, false, false},
                      CallbackCase{"LeftButtonUp", WM_TRAYICON, 514, false, false},
                      CallbackCase{"RightButtonDown", WM_TRAYICON, 516, false, false},
                      CallbackCase{"RightDoubleClick", WM_TRAYICON, 518, false, false},
                      CallbackCase{"MouseMove", WM_TRAYICON, 512, false, false},
                      CallbackCase{"PlainMessageWithTheSameLParam", kWmPaint, 517, false, false},
                      CallbackCase{"OtherMessageWithDoubleClickLParam", 1401, 515, false, false}),
    kCaseName);

TEST_F(Tray, ExitChosenInTheMenuEndsEverythingBeforeTheMessageIsHandedOn) {
    p.menu.onPopup = [this] { p.form.mnuExit_Click(); };
    const auto result = Callback(kWmRButtonUp);

    EXPECT_EQ(result, FakeTray::ResultOf(WM_TRAYICON, kWmRButtonUp));
    EXPECT_FALSE(p.form.IsLoaded());
    auto at =
        p.log.Positions({"PopupMenu mnuSettings", "SaveSetting", "Shell_NotifyIconA 2",
                         "SetWindowLongA 3840 30464", "PopupMenu closed", kHanded + "1400 0 517"});
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    EXPECT_EQ(p.log.Entries().back(), kHanded + "1400 0 517");
}

TEST_F(Tray, EscapeClosesTheMenuWithoutACommand) {
    Callback(kWmRButtonUp);  // onPopup empty: nothing chosen
    EXPECT_TRUE(p.form.IsLoaded());
    EXPECT_FALSE(p.window.visible);
    EXPECT_TRUE(p.form.blnEnabled);
    EXPECT_EQ(p.tray.calls.size(), 1u) << "only the start-up add";
}

// Step 1.2 lets other handlers in: another tray callback, or a whole second
// menu in which the user chose Exit.
TEST_F(Tray, CallbacksNestedInTheFirstPauseLeaveTheOuterCallSound) {
    p.app.Post([this] { EXPECT_EQ(Callback(kWmLButtonDblClk), FakeTray::ResultOf(1400, 515)); });
    EXPECT_EQ(Callback(kWmRButtonUp), FakeTray::ResultOf(1400, 517));
    auto at = p.log.Positions(
        {"Show", kHanded + "1400 0 515", "PopupMenu mnuSettings", kHanded + "1400 0 517"});
    EXPECT_TRUE(std::is_sorted(at.begin(), at.end()));
    EXPECT_TRUE(p.window.visible);

    FakePlatform q;
    q.form.Form_Load();
    q.menu.onPopup = [&] { q.form.mnuExit_Click(); };
    // The nested click's own pause is empty; the outer one runs it.
    q.app.Post([&] { modCommon::TrayWndProc(0xF00, WM_TRAYICON, 0, kWmRButtonUp); });
    q.log.Clear();
    EXPECT_EQ(modCommon::TrayWndProc(0xF00, WM_TRAYICON, 0, kWmRButtonUp),
              FakeTray::ResultOf(1400, 517));
    EXPECT_EQ(q.log.Count("PopupMenu mnuSettings"), 1) << "no menu for an unloaded window";
    EXPECT_EQ(q.log.Count("Shell_NotifyIconA 2"), 1);
    EXPECT_EQ(q.log.Count(kHanded), 2);
    EXPECT_EQ(q.log.Entries().back(), kHanded + "1400 0 517");
}

TEST_F(Tray, SettingsAndADoubleClickShowTheWindowTheSameWay) {
    p.menu.onPopup = [this] { p.form.mnuSettings_Click(); };
    Callback(kWmRButtonUp);
    EXPECT_TRUE(p.window.visible);
    auto fromMenu =
        std::vector<std::string>(p.log.Entries().begin() + p.log.Find("Show"),
                                 p.log.Entries().begin() + p.log.Find("PopupMenu closed"));
    EXPECT_EQ(fromMenu, (std::vector<std::string>{"Show", "SetForegroundWindow 3840"}));

    p.log.Clear();
    Callback(kWmLButtonDblClk);
    Callback(kWmLButtonDblClk);  // already shown: shown again, still one window
    EXPECT_EQ(p.log.Count("Show"), 2);
    EXPECT_TRUE(p.window.visible);
}

struct ToggleCase {
    int toggles;
    bool enabled;
    const wchar_t* caption;
    std::uintptr_t icon;
    const char* tooltip;
};

class Toggle : public Tray, public ::testing::WithParamInterface<ToggleCase> {};

TEST_P(Toggle, CaptionIconAndTrayFollowTheFlag) {
    const auto& c = GetParam();
    p.menu.onPopup = [this] { p.form.mnuDisable_Click(); };
    for (int i = 0; i < c.toggles; ++i)
        Callback(kWmRButtonUp);

    EXPECT_EQ(p.form.blnEnabled, c.enabled);
    EXPECT_EQ(p.menu.captions[platform::MenuItem::mnuDisable], c.caption);
    EXPECT_EQ(p.window.icon, c.icon);
    ASSERT_EQ(p.tray.calls.size(), 1u + c.toggles);
    const auto& [op, record] = p.tray.calls.back();
    EXPECT_EQ(op, platform::TrayOp::Modify);
    EXPECT_EQ(record.cbSize, 88u);
    EXPECT_EQ(record.hWnd, 0xF00u);
    EXPECT_EQ(record.uID, 0u);
    EXPECT_EQ(record.uFlags, 7u);
    EXPECT_EQ(record.uCallbackMessage, 1400u);
    EXPECT_EQ(record.hIcon, c.icon) << "the icon just given to the window";
    EXPECT_EQ(Tip(record), Field(c.tooltip));
    // The tray is told last, after the flag, the caption and the window icon.
    const auto& log = p.log.Entries();
    const int modify = static_cast<int>(log.size()) - 3;  // before "closed" and the hand-on
    ASSERT_GE(modify, 2);
    EXPECT_EQ(log[modify], "Shell_NotifyIconA 1");
    EXPECT_EQ(log[modify - 1].rfind("SetWindowIcon ", 0), 0u);
    EXPECT_EQ(log[modify - 2].rfind("SetMenuCaption mnuDisable ", 0), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    States, Toggle,
    ::testing::Values(
        ToggleCase{1, false, L"Enable", FakeImages::kDisabledIcon, "Shutterling Disabled"},
        ToggleCase{2, true, L"Disable", FakeImages::kEnabledIcon, "Shutterling Enabled"},
        ToggleCase{3, false, L"Enable", FakeImages::kDisabledIcon, "Shutterling Disabled"}));

TEST_F(Tray, NewTaskbarGetsTheIconAsItLooksNowAndNothingAfterExit) {
    p.menu.onPopup = [this] { p.form.mnuDisable_Click(); };
    Callback(kWmRButtonUp);
    p.form.TaskbarCreated();
    ASSERT_EQ(p.tray.calls.size(), 3u);
    const auto& [op, record] = p.tray.calls.back();
    EXPECT_EQ(op, platform::TrayOp::Add);
    EXPECT_EQ(record.uFlags, 7u);
    EXPECT_EQ(record.uCallbackMessage, 1400u);
    EXPECT_EQ(record.hIcon, FakeImages::kDisabledIcon);
    EXPECT_EQ(Tip(record), Field("Shutterling Disabled"));

    p.form.mnuExit_Click();
    const auto calls = p.tray.calls.size();
    p.form.TaskbarCreated();
    EXPECT_EQ(p.tray.calls.size(), calls) << "no icon for a program that has shut down";
}

}  // namespace
}  // namespace shutterling::fakes
