#include "store/option_text.h"

#include <algorithm>
#include <charconv>

#include "store/count_text.h"

namespace shutterling::store {

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}
bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Index just past a run of digits starting at i.
std::size_t SkipDigits(std::wstring_view text, std::size_t i) {
    while (i < text.size() && IsDigit(text[i]))
        ++i;
    return i;
}

// The ASCII text, once the grammar has checked every character is ASCII.
std::string Narrow(std::wstring_view text) {
    return std::string(text.begin(), text.end());
}

}  // namespace

std::optional<std::int16_t> ParseCheckValue(std::wstring_view text) {
    text = Trim(text);
    std::size_t i = 0;
    if (i < text.size() && (text[i] == L'-' || text[i] == L'+'))
        ++i;
    const std::size_t digitsEnd = SkipDigits(text, i);
    if (digitsEnd == i || digitsEnd != text.size())
        return std::nullopt;
    std::string narrow = Narrow(text[0] == L'+' ? text.substr(1) : text);
    std::int16_t value = 0;
    const auto result = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    if (result.ec != std::errc() || result.ptr != narrow.data() + narrow.size()) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ParseCount(std::wstring_view text) {
    text = Trim(text);
    const std::size_t intEnd = SkipDigits(text, 0);
    if (intEnd == 0)
        return std::nullopt;
    std::size_t i = intEnd;
    std::wstring digits(text.substr(0, intEnd));
    long exponent = 0;
    if (i < text.size() && text[i] == L'.') {
        const std::size_t fracEnd = SkipDigits(text, i + 1);
        digits.append(text.substr(i + 1, fracEnd - i - 1));
        exponent -= static_cast<long>(fracEnd - i - 1);
        i = fracEnd;
    }
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        std::size_t at = i + 1;
        const bool negative = at < text.size() && text[at] == L'-';
        if (at < text.size() && (text[at] == L'+' || text[at] == L'-'))
            ++at;
        i = SkipDigits(text, at);
        if (i == at)
            return std::nullopt;
        long e = 0;
        for (std::size_t k = at; k < i; ++k)
            e = std::min(e * 10 + (text[k] - L'0'), 1'000'000L);  // saturates: huge is huge
        exponent += negative ? -e : e;
    }
    if (i != text.size())
        return std::nullopt;

    // Exact integer arithmetic: the value must be whole, and small enough that
    // adding one still changes it (2^53), which is far beyond any real count.
    digits.erase(0, std::min(digits.find_first_not_of(L'0'), digits.size()));
    while (exponent < 0 && !digits.empty()) {
        if (digits.back() != L'0')
            return std::nullopt;  // a fraction
        digits.pop_back();
        ++exponent;
    }
    if (digits.empty())
        return 0.0;
    if (static_cast<long>(digits.size()) + exponent > 16)
        return std::nullopt;
    std::uint64_t value = 0;
    for (wchar_t c : digits)
        value = value * 10 + static_cast<std::uint64_t>(c - L'0');
    for (long k = 0; k < exponent; ++k)
        value *= 10;
    if (value > kLargestExactCount)
        return std::nullopt;
    return static_cast<double>(value);
}

std::wstring CheckValueText(std::int16_t value) {
    return DecimalText(value);
}

}  // namespace shutterling::store
