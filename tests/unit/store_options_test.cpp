// The options and the count in the settings store, through the main window object.
#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace shutterling {
namespace {

using fakes::FakePlatform;

struct LoadCase {
    std::optional<std::wstring> beep, startup, counter;  // empty: nothing stored
    std::int16_t beepValue, startupValue;
    double count;
};

void PrintTo(const LoadCase& c, std::ostream* os) {
    auto text = [](const std::optional<std::wstring>& t) {
        return t ? testing::PrintToString(std::string(t->begin(), t->end())) : "absent";
    };
    *os << text(c.beep) << "/" << text(c.startup) << "/" << text(c.counter);
}

class LoadOptionsTest : public testing::TestWithParam<LoadCase> {};

TEST_P(LoadOptionsTest, EachStepTakesItsOwnTextOrLeavesItsTarget) {
    const LoadCase& c = GetParam();
    FakePlatform p;
    auto store = [&](const wchar_t* key, const std::optional<std::wstring>& text) {
        if (text)
            p.settings.values[{L"Shutterling", L"Options", key}] = *text;
    };
    store(L"Beep", c.beep);
    store(L"WindowStartUp", c.startup);
    store(L"PopupCounter", c.counter);
    p.form.LoadOptions();
    EXPECT_EQ(p.chkBeep.value, c.beepValue);
    EXPECT_EQ(p.chkWindowStartup.value, c.startupValue);
    EXPECT_EQ(p.form.dblBlockedCount, c.count);
}

INSTANTIATE_TEST_SUITE_P(
    Table, LoadOptionsTest,
    testing::Values(LoadCase{{}, {}, {}, 0, 0, 0},  // first run
                    LoadCase{L"1", L"2", L"41", 1, 2, 41},
                    LoadCase{L"7", L"-1", L"abc", 0, 0, 0},  // out of range, not a number
                    LoadCase{L"", L" 1 ", L"", 0, 1, 0},     // empty texts fail
                    LoadCase{L"2", L"abc", L"1e999", 2, 0, 0},
                    LoadCase{L"41.5", L"1", L"41.5", 0, 1, 0},
                    LoadCase{L"0", L"0", L" 41 ", 0, 0, 41},
                    LoadCase{L"32768", L"1e0", L"1000000000000000", 0, 0, 1e15}));

TEST(LoadOptions, ReadsTheThreeKeysInOrderWithDefaultZero) {
    FakePlatform p;
    p.form.LoadOptions();
    const std::vector<std::string> expected{"GetSetting Shutterling/Options/Beep 0",
                                            "GetSetting Shutterling/Options/WindowStartUp 0",
                                            "GetSetting Shutterling/Options/PopupCounter 0"};
    EXPECT_EQ(p.log.Entries(), expected);
}

TEST(LoadOptions, AFailedStepKeepsTheValueItHadAndTheOthersStillRun) {
    for (const wchar_t* failing : {L"Beep", L"WindowStartUp", L"PopupCounter"}) {
        FakePlatform p;
        p.chkBeep.value = 2;
        p.chkWindowStartup.value = 2;
        p.form.dblBlockedCount = 5;
        p.settings.values[{L"Shutterling", L"Options", L"Beep"}] = L"1";
        p.settings.values[{L"Shutterling", L"Options", L"WindowStartUp"}] = L"1";
        p.settings.values[{L"Shutterling", L"Options", L"PopupCounter"}] = L"9";
        p.settings.failingReads = {failing};
        p.form.LoadOptions();
        EXPECT_EQ(p.chkBeep.value, std::wstring(failing) == L"Beep" ? 2 : 1);
        EXPECT_EQ(p.chkWindowStartup.value, std::wstring(failing) == L"WindowStartUp" ? 2 : 1);
        EXPECT_EQ(p.form.dblBlockedCount, std::wstring(failing) == L"PopupCounter" ? 5 : 9);
    }
}

TEST(SaveOptions, WritesTheThreeTextsInOrder) {
    FakePlatform p;
    p.chkBeep.value = 1;
    p.chkWindowStartup.value = 2;
    p.form.dblBlockedCount = 1e16;
    p.form.SaveOptions();
    const std::vector<std::string> expected{
        "SaveSetting Shutterling/Options/Beep=1", "SaveSetting Shutterling/Options/WindowStartUp=2",
        "SaveSetting Shutterling/Options/PopupCounter=10000000000000000"};
    EXPECT_EQ(p.log.Entries(), expected);
}

TEST(SaveOptions, AFailingWriteOrUnreadableBoxSkipsOnlyItsOwnKey) {
    FakePlatform p;
    p.chkBeep.readFails = true;
    p.settings.failingWrites = {L"WindowStartUp"};
    p.form.dblBlockedCount = 42;
    p.form.SaveOptions();
    EXPECT_EQ(p.log.Find("SaveSetting Shutterling/Options/Beep"), -1);
    EXPECT_GE(p.log.Find("SaveSetting Shutterling/Options/WindowStartUp=0"), 0);
    EXPECT_EQ(p.settings.Stored(L"PopupCounter"), L"42");
}

TEST(Options, WhatIsSavedLoadsBackAndBadTextIsOverwritten) {
    FakePlatform first;
    first.settings.values[{L"Shutterling", L"Options", L"PopupCounter"}] = L"not a number";
    first.settings.values[{L"Shutterling", L"Options", L"Beep"}] = L"7";
    first.form.LoadOptions();
    first.chkWindowStartup.value = 2;
    first.form.dblBlockedCount += 1;
    first.form.SaveOptions();
    EXPECT_EQ(first.settings.Stored(L"PopupCounter"), L"1");
    EXPECT_EQ(first.settings.Stored(L"Beep"), L"0");

    FakePlatform second;
    second.settings.values = first.settings.values;
    second.form.LoadOptions();
    EXPECT_EQ(second.chkBeep.value, 0);
    EXPECT_EQ(second.chkWindowStartup.value, 2);
    EXPECT_EQ(second.form.dblBlockedCount, 1);
}

}  // namespace
}  // namespace shutterling
