// Done, and the double-clicks that move titles onto and off the safe list.
#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "unit/named_cases.h"

namespace shutterling::fakes {
namespace {

using Titles = std::vector<std::wstring>;

class SettingsWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        p.form.Form_Load();
        p.window.Show();
    }
    FakePlatform p;
};

TEST_F(SettingsWindow, DoneWithoutResetOnlyHides) {
    p.form.dblBlockedCount = 7;
    p.lstPopups.items = {L"Ad"};
    p.log.Clear();
    p.form.cmdDone_Click();
    EXPECT_FALSE(p.window.visible);
    EXPECT_EQ(p.form.dblBlockedCount, 7);
    EXPECT_EQ(p.log.Find("SetCaption"), -1);
    EXPECT_EQ(p.lstPopups.items, Titles{L"Ad"});
}

TEST_F(SettingsWindow, DoneWithResetZeroesTheCountUnticksAndHides) {
    p.form.dblBlockedCount = 7;
    p.lstPopups.items = {L"Ad"};
    p.chkReset.value = 1;
    p.form.cmdDone_Click();
    EXPECT_EQ(p.form.dblBlockedCount, 0);
    EXPECT_EQ(p.lblCounter.caption, L"0 Popups blocked till now");
    EXPECT_EQ(p.chkReset.value, 0);
    EXPECT_FALSE(p.window.visible);
    EXPECT_EQ(p.lstPopups.items, Titles{L"Ad"}) << "the blocked list stays";
    EXPECT_EQ(p.log.Find("SaveSetting"), -1) << "the store hears of it only at exit";
}

TEST_F(SettingsWindow, OnlyAResetValueOfExactlyOneResets) {
    for (bool unreadable : {false, true}) {
        p.chkReset.value = 2;
        p.chkReset.readFails = unreadable;
        p.form.dblBlockedCount = 3;
        p.form.cmdDone_Click();
        EXPECT_EQ(p.form.dblBlockedCount, 3);
        EXPECT_FALSE(p.window.visible);
    }
}

struct AddCase {
    const char* name;
    Titles popups;
    std::int16_t selected;
    Titles safeBefore, safeAfter;
    bool notice;
};
void PrintTo(const AddCase& c, std::ostream* os) {
    *os << c.name;
}
class AddToSafeList : public SettingsWindow, public ::testing::WithParamInterface<AddCase> {};

TEST_P(AddToSafeList, AppendsTheSelectedTitleUnlessItHasNone) {
    const auto& c = GetParam();
    p.lstPopups.items = c.popups;
    p.lstPopups.selected = c.selected;
    p.lstSafe.items = c.safeBefore;
    p.form.lstPopups_DblClick();
    EXPECT_EQ(p.lstSafe.items, c.safeAfter);
    EXPECT_EQ(p.lstPopups.items, c.popups) << "the blocked list keeps its entries";
    const std::string notice =
        "MsgBox You can not add this to safe list as the page has no title|Shutterling|64";
    EXPECT_EQ(p.log.Find(notice) >= 0, c.notice);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddToSafeList,
    ::testing::Values(AddCase{"Appends", {L"Ad", L"News"}, 1, {L"A"}, {L"A", L"News"}, false},
                      AddCase{"DuplicatesAllowed", {L"Ad"}, 0, {L"Ad"}, {L"Ad", L"Ad"}, false},
                      AddCase{"Untrimmed", {L"  Ad  "}, 0, {}, {L"  Ad  "}, false},
                      AddCase{"NoTitleRefused", {L"<No Title>"}, 0, {L"A"}, {L"A"}, true},
                      AddCase{
                          "NoTitleIsCaseSensitive", {L"<no title>"}, 0, {}, {L"<no title>"}, false},
                      AddCase{"NothingSelected", {L"Ad"}, -1, {L"A"}, {L"A"}, false},
                      AddCase{"EmptyList", {}, -1, {}, {}, false}),
    kCaseName);

struct RemoveCase {
    const char* name;
    Titles before;
    std::int16_t selected;
    Titles after;
};
void PrintTo(const RemoveCase& c, std::ostream* os) {
    *os << c.name;
}
class RemoveFromSafeList : public SettingsWindow,
                           public ::testing::WithParamInterface<RemoveCase> {};

TEST_P(RemoveFromSafeList, RemovesExactlyTheSelectedEntry) {
    p.lstSafe.items = GetParam().before;
    p.lstSafe.selected = GetParam().selected;
    p.form.lstSafe_DblClick();
    EXPECT_EQ(p.lstSafe.items, GetParam().after);
    EXPECT_EQ(p.log.Find("MsgBox"), -1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemoveFromSafeList,
    ::testing::Values(RemoveCase{"Middle", {L"A", L"B", L"C"}, 1, {L"A", L"C"}},
                      RemoveCase{"OneOfTwinsKeepsTheOther", {L"X", L"X"}, 1, {L"X"}},
                      RemoveCase{"Last", {L"A"}, 0, {}},
                      RemoveCase{"NothingSelected", {L"A"}, -1, {L"A"}}),
    kCaseName);

TEST_F(SettingsWindow, RemovingOneOfTwinsLeavesTheTitleExempt) {
    p.lstSafe.items = {L"Ad", L"Ad"};
    p.lstSafe.selected = 0;
    p.form.lstSafe_DblClick();
    EXPECT_EQ(p.form.IsInSafeList(L"Ad"), true);
}

}  // namespace
}  // namespace shutterling::fakes
