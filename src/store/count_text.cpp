#include "store/count_text.h"

#include <charconv>
#include <cmath>

namespace shutterling {

std::wstring CountText(double count) {
    if (!std::isfinite(count) || !(count >= 0))
        return L"0";
    // Fixed notation with no fraction: every digit of the whole value, even
    // past 1e15 where other formatting switches to an exponent.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, count, std::chars_format::fixed, 0);
    return std::wstring(buffer, result.ptr);
}

}  // namespace shutterling
