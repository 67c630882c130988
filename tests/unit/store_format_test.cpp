// The data-file format and the option texts, both ways, as tables.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "store/count_text.h"
#include "store/data_file.h"
#include "store/option_text.h"

namespace shutterling::store {
namespace {

using namespace std::string_literals;
using Lines = std::vector<std::string>;

struct ParseCase {
    std::string bytes;
    Lines lines;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << testing::PrintToString(c.bytes);
}

class ParseLinesTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseLinesTest, SplitsAtCrLfAndLoneCrOnly) {
    EXPECT_EQ(ParseLines(GetParam().bytes), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseLinesTest,
    testing::Values(ParseCase{"", {}},                            // empty file, no entry
                    ParseCase{"A\r\nB\r\n", {"A", "B"}},          // as written
                    ParseCase{"A\r\nB", {"A", "B"}},              // last line unended
                    ParseCase{"A\rB\r", {"A", "B"}},              // lone CR ends a line
                    ParseCase{"A\nB\n", {"A\nB\n"}},              // lone LF is text
                    ParseCase{"\r\n", {""}},                      // one empty entry
                    ParseCase{"\r\r", {"", ""}},                  //
                    ParseCase{"A\r\n\r\nB\r\n", {"A", "", "B"}},  // empty line kept
                    ParseCase{"A\r\r\n", {"A", ""}},              // CR then CR LF
                    ParseCase{"\n\r", {"\n"}},                    // LF before CR is text
                    ParseCase{"A\r\n\n", {"A", "\n"}},            // trailing lone LF
                    ParseCase{"A\n\r\nB", {"A\n", "B"}},          //
                    ParseCase{"A\0B\r\n\0"s, {"A\0B"s, "\0"s}},   // NULs are text
                    ParseCase{"\xff\x81\r\n", {"\xff\x81"}},      // any byte is text
                    ParseCase{" A \t\r\n", {" A \t"}}));          // no trimming

struct SerialiseCase {
    Lines lines;
    std::string bytes;
};

void PrintTo(const SerialiseCase& c, std::ostream* os) {
    *os << testing::PrintToString(c.bytes);
}

class SerialiseLinesTest : public testing::TestWithParam<SerialiseCase> {};

TEST_P(SerialiseLinesTest, EndsEveryLineWithCrLf) {
    EXPECT_EQ(SerialiseLines(GetParam().lines), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Table, SerialiseLinesTest,
                         testing::Values(SerialiseCase{{}, ""},  // empty list, zero bytes
                                         SerialiseCase{{""}, "\r\n"},
                                         SerialiseCase{{"A", "B"}, "A\r\nB\r\n"},
                                         SerialiseCase{{"A", "A"}, "A\r\nA\r\n"},
                                         SerialiseCase{{"A\nB"}, "A\nB\r\n"},
                                         SerialiseCase{{"x\0y"s, ""}, "x\0y\r\n\r\n"s}));

TEST(DataFileFormat, WhatIsWrittenReadsBackUnlessALineHoldsACr) {
    const Lines lines{"", "A", "\n", "B\nC", "\xe9t\xe9", "", "\0"s};
    EXPECT_EQ(ParseLines(SerialiseLines(lines)), lines);
}

struct CheckCase {
    std::wstring text;
    std::optional<std::int16_t> value;
};

void PrintTo(const CheckCase& c, std::ostream* os) {
    *os << testing::PrintToString(std::string(c.text.begin(), c.text.end()));
}

class ParseCheckValueTest : public testing::TestWithParam<CheckCase> {};

TEST_P(ParseCheckValueTest, AcceptsOnlyA16BitInteger) {
    EXPECT_EQ(ParseCheckValue(GetParam().text), GetParam().value)
        << testing::PrintToString(std::string(GetParam().text.begin(), GetParam().text.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseCheckValueTest,
    testing::Values(CheckCase{L"", {}}, CheckCase{L"abc", {}}, CheckCase{L"7", 7},
                    CheckCase{L"-1", -1}, CheckCase{L"2", 2}, CheckCase{L" 41 ", 41},
                    CheckCase{L"1e999", {}}, CheckCase{L"41.5", {}}, CheckCase{L"0", 0},
                    CheckCase{L"1", 1}, CheckCase{L"+1", 1}, CheckCase{L"\t1\t", 1},
                    CheckCase{L"007", 7}, CheckCase{L"32767", 32767}, CheckCase{L"32768", {}},
                    CheckCase{L"-32768", -32768}, CheckCase{L"99999999999999999999", {}},
                    CheckCase{L"1 2", {}}, CheckCase{L"- 1", {}}, CheckCase{L"-", {}},
                    CheckCase{L" ", {}}, CheckCase{L"0x1", {}}, CheckCase{L"1.0", {}},
                    CheckCase{L"\xFF11", {}},  // a full-width digit is no digit here
                    CheckCase{std::wstring(L"1\0", 2), {}}));

struct CountCase {
    std::wstring text;
    std::optional<double> value;
};

void PrintTo(const CountCase& c, std::ostream* os) {
    *os << testing::PrintToString(std::string(c.text.begin(), c.text.end()));
}

class ParseCountTest : public testing::TestWithParam<CountCase> {};

TEST_P(ParseCountTest, AcceptsOnlyAWholeNonNegativeNumber) {
    EXPECT_EQ(ParseCount(GetParam().text), GetParam().value)
        << testing::PrintToString(std::string(GetParam().text.begin(), GetParam().text.end()));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseCountTest,
    testing::Values(CountCase{L"", {}}, CountCase{L"abc", {}}, CountCase{L"7", 7.0},
                    CountCase{L"-1", {}}, CountCase{L"2", 2.0}, CountCase{L" 41 ", 41.0},
                    CountCase{L"1e999", {}}, CountCase{L"41.5", {}}, CountCase{L"0", 0.0},
                    CountCase{L"41.0", 41.0}, CountCase{L"41.", 41.0}, CountCase{L"1E+15", 1e15},
                    CountCase{L"1e3", 1000.0}, CountCase{L"1e-400", {}}, CountCase{L"1e", {}},
                    CountCase{L"e5", {}}, CountCase{L".5", {}}, CountCase{L"+5", {}},
                    CountCase{L"4 1", {}}, CountCase{L"0x10", {}}, CountCase{L"inf", {}},
                    CountCase{L"nan", {}},
                    // Up to 2^53, where adding one still changes the count.
                    CountCase{L"9007199254740992", 9007199254740992.0},
                    CountCase{L"9007199254740993", {}},
                    CountCase{L"9.007199254740992e15", 9007199254740992.0},
                    CountCase{L"100000000000000000000", {}}, CountCase{L"0e99999999999", 0.0},
                    CountCase{L"00000000000000000000041", 41.0}));

TEST(CountText, IsPlainDigitsForEveryWholeCount) {
    const std::pair<double, std::wstring> table[] = {
        {0, L"0"},
        {1, L"1"},
        {42, L"42"},
        {1e15, L"1000000000000000"},  // where an exponent form would begin
        {9007199254740992.0, L"9007199254740992"},
        {1e20, L"100000000000000000000"},
        {1e300,
         L"1000000000000000052504760255204420248704468581108159154915854115511802457988908195786371"
         L"3750804478640437044438328838781769425232353604305756447921847867069828483872009265758037"
         L"3783023379478809005936895323497079994508111903896764088007465274278014249457925878882005"
         L"6842838115669472196386865459400540160"},
        {41.5, L"42"},
        {41.6, L"42"},
        {-1, L"0"},
        {std::numeric_limits<double>::infinity(), L"0"},
        {std::nan(""), L"0"},
    };
    for (const auto& [count, text] : table)
        EXPECT_EQ(CountText(count), text) << count;
}

TEST(CountText, ReadsBackAsTheSameCount) {
    for (double count : {0.0, 1.0, 41.0, 65535.0, 4294967296.0, 9007199254740992.0}) {
        EXPECT_EQ(ParseCount(CountText(count)), count) << count;
    }
}

TEST(CheckValueText, ReadsBackAsTheSameValue) {
    const std::pair<std::int16_t, std::wstring> table[] = {
        {0, L"0"}, {1, L"1"},         {2, L"2"},           {-1, L"-1"},
        {7, L"7"}, {32767, L"32767"}, {-32768, L"-32768"},
    };
    for (const auto& [value, text] : table) {
        EXPECT_EQ(CheckValueText(value), text);
        EXPECT_EQ(ParseCheckValue(CheckValueText(value)), value);
    }
}

}  // namespace
}  // namespace shutterling::store
