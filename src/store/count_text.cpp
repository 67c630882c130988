#include "store/count_text.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace shutterling {

std::wstring CountText(double count) {
    if (!std::isfinite(count) || !(count >= 0))
        return L"0";
    count = std::round(count);
    // count = mantissa * 2^exponent exactly; double the mantissa in base 10^9
    // limbs, so every digit of the whole value comes out, with no exponent and
    // without the floating-point formatting code that would double the program's size.
    int exponent = 0;
    const double fraction = std::frexp(count, &exponent);
    auto mantissa = static_cast<std::uint64_t>(std::ldexp(fraction, 53));
    exponent -= 53;
    if (exponent < 0) {
        mantissa >>= -exponent;  // whole after rounding: only zero bits go
        exponent = 0;
    }
    constexpr std::uint32_t kBase = 1'000'000'000;
    std::vector<std::uint32_t> limbs{static_cast<std::uint32_t>(mantissa % kBase),
                                     static_cast<std::uint32_t>(mantissa / kBase % kBase),
                                     static_cast<std::uint32_t>(mantissa / kBase / kBase)};
    for (int k = 0; k < exponent; ++k) {
        std::uint32_t carry = 0;
        for (auto& limb : limbs) {
            const std::uint64_t doubled = std::uint64_t{limb} * 2 + carry;
            limb = static_cast<std::uint32_t>(doubled % kBase);
            carry = static_cast<std::uint32_t>(doubled / kBase);
        }
        if (carry)
            limbs.push_back(carry);
    }
    while (limbs.size() > 1 && limbs.back() == 0)
        limbs.pop_back();

    std::wstring text = DecimalText(limbs.back());
    for (auto it = limbs.rbegin() + 1; it != limbs.rend(); ++it) {
        const std::wstring part = DecimalText(*it);
        text.append(9 - part.size(), L'0');
        text += part;
    }
    return text;
}

std::wstring DecimalText(long long value) {
    // Digits of the magnitude as unsigned, so the most negative value has one too.
    unsigned long long magnitude = value < 0 ? 0ULL - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    wchar_t digits[24];
    wchar_t* first = digits + 24;
    do {
        *--first = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (value < 0)
        *--first = L'-';
    return std::wstring(first, digits + 24);
}

}  // namespace shutterling
