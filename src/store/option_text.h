// Conversions between the settings store's texts and the option values.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace shutterling::store {

// An optional sign and decimal digits, blanks around allowed, within 16 bits.
// Whether the value suits a check box is the check box's to say.
std::optional<std::int16_t> ParseCheckValue(std::wstring_view text);

// Counts are whole doubles up to 2^53, where adding one stops changing them.
inline constexpr std::uint64_t kLargestExactCount = std::uint64_t{1} << 53;

// A count: decimal digits with optional fraction and exponent, blanks around
// allowed, no sign; the value must be whole and at most kLargestExactCount.
// Anything else fails.
std::optional<double> ParseCount(std::wstring_view text);

std::wstring CheckValueText(std::int16_t value);

}  // namespace shutterling::store
