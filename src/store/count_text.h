// The blocked count as text, shared by the counter label and the settings store.
#pragma once

#include <string>

namespace shutterling {

// Plain decimal digits of a whole count: no sign, exponent, grouping or
// decimal point. A fraction is rounded; a negative or non-finite value, which
// the program never produces, gives "0".
std::wstring CountText(double count);

// A whole number in decimal, with "-" when negative. std::to_wstring would link
// the C runtime's printf engine, with its floating-point code, into the program.
std::wstring DecimalText(long long value);

}  // namespace shutterling
