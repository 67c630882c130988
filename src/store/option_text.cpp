#include "store/option_text.h"

#include <charconv>
#include <cmath>

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
    std::size_t i = SkipDigits(text, 0);
    if (i == 0)
        return std::nullopt;
    if (i < text.size() && text[i] == L'.')
        i = SkipDigits(text, i + 1);
    if (i < text.size() && (text[i] == L'e' || text[i] == L'E')) {
        std::size_t exponent = i + 1;
        if (exponent < text.size() && (text[exponent] == L'+' || text[exponent] == L'-')) {
            ++exponent;
        }
        i = SkipDigits(text, exponent);
        if (i == exponent)
            return std::nullopt;
    }
    if (i != text.size())
        return std::nullopt;

    const std::string narrow = Narrow(text);
    double value = 0;
    const auto result = std::from_chars(narrow.data(), narrow.data() + narrow.size(), value);
    // Out of range covers "1e999" and underflow alike.
    if (result.ec != std::errc() || result.ptr != narrow.data() + narrow.size()) {
        return std::nullopt;
    }
    if (!std::isfinite(value) || value != std::floor(value))
        return std::nullopt;
    return value;
}

std::wstring CheckValueText(std::int16_t value) {
    return std::to_wstring(value);
}

}  // namespace shutterling::store
