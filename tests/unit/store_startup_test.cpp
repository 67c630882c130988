// Start-with-Windows: the Run-key calls, their order and the exact data.
#include <gtest/gtest.h>

#include "fakes/fake_platform.h"

namespace shutterling {
namespace {

using namespace std::string_literals;
using fakes::FakePlatform;

const std::string kOpen =
    "RegOpenKeyExA 2147483649 Software\\Microsoft\\Windows\\CurrentVersion\\Run 0 131078";

TEST(SetStartWithWindows, RegistersByOpenSetClose) {
    FakePlatform p;
    SetStartWithWindows(p.platform, true);
    const std::vector<std::string> expected{kOpen, "RegSetValueExA 4660 Shutterling 1 25",
                                            "RegCloseKey 4660"};
    EXPECT_EQ(p.log.Entries(), expected);
    EXPECT_EQ(p.registry.runValues["Shutterling"],
              std::make_pair(1u, "C:\\Tools\\Shutterling.exe\0"s));
    EXPECT_TRUE(p.registry.openKeys.empty());
}

TEST(SetStartWithWindows, UnregistersByOpenDeleteCloseAndToleratesAMissingValue) {
    FakePlatform p;
    p.registry.runValues["Shutterling"] = {1, "x"s};
    p.registry.runValues["Other"] = {1, "y"s};
    for (int run = 0; run < 2; ++run)
        SetStartWithWindows(p.platform, false);
    const std::vector<std::string> once{kOpen, "RegDeleteValueA 4660 Shutterling",
                                        "RegCloseKey 4660"};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(p.log.Entries(), twice);
    EXPECT_EQ(p.registry.runValues.count("Shutterling"), 0u);
    EXPECT_EQ(p.registry.runValues.count("Other"), 1u);
}

TEST(SetStartWithWindows, AKeyThatCannotBeOpenedEndsAtOnce) {
    for (bool flag : {true, false}) {
        FakePlatform p;
        p.registry.openResult = 5;  // ERROR_ACCESS_DENIED
        SetStartWithWindows(p.platform, flag);
        EXPECT_EQ(p.log.Entries(), std::vector<std::string>{kOpen});
    }
}

TEST(SetStartWithWindows, ARefusedWriteStillClosesTheKey) {
    FakePlatform p;
    p.registry.setResult = 5;
    SetStartWithWindows(p.platform, true);
    EXPECT_EQ(p.log.Entries().back(), "RegCloseKey 4660");
    EXPECT_TRUE(p.registry.runValues.empty());
}

TEST(SetStartWithWindows, UnknownExecutableFactsWriteNothingButCloseTheKey) {
    for (int which = 0; which < 2; ++which) {
        FakePlatform p;
        (which == 0 ? p.app.path : p.app.exeName) = std::nullopt;
        SetStartWithWindows(p.platform, true);
        EXPECT_EQ(p.log.Entries(), (std::vector<std::string>{kOpen, "RegCloseKey 4660"}));
    }
}

struct DataCase {
    std::wstring folder, exeName;
    std::string data;  // without the NUL
};

void PrintTo(const DataCase& c, std::ostream* os) {
    *os << c.data;
}

class RunValueData : public testing::TestWithParam<DataCase> {};

TEST_P(RunValueData, IsThePathInTheCodePageQuotedOnlyWithASpace) {
    FakePlatform p;
    p.app.path = GetParam().folder;
    p.app.exeName = GetParam().exeName;
    SetStartWithWindows(p.platform, true);
    const std::string data = GetParam().data + '\0';
    EXPECT_EQ(p.registry.runValues["Shutterling"].second, data);
    EXPECT_EQ(p.log.Entries()[1],
              "RegSetValueExA 4660 Shutterling 1 " + std::to_string(data.size()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, RunValueData,
    testing::Values(DataCase{L"C:\\Tools", L"Shutterling", "C:\\Tools\\Shutterling.exe"},
                    DataCase{L"C:\\Tools\\", L"Shutterling", "C:\\Tools\\\\Shutterling.exe"},
                    DataCase{L"C:\\My Tools", L"Shutterling", "\"C:\\My Tools\\Shutterling.exe\""},
                    DataCase{L"C:\\Tools", L"My Shutter", "\"C:\\Tools\\My Shutter.exe\""},
                    DataCase{L"D:\\Apps", L"popups", "D:\\Apps\\popups.exe"},
                    DataCase{L"C:\\T\xF8ols", L"S", "C:\\T\xF8ols\\S.exe"},  // one ANSI byte
                    DataCase{L"C:\\\x4E2D", L"S", "C:\\?\\S.exe"}));  // outside the code page

}  // namespace
}  // namespace shutterling
