// Who made the program and how to reach them: the one place these are written.
// The About window shows them exactly as they stand here.
#pragma once

#define SHUTTERLING_MAKER_NAME L"The Shutterling Team"

namespace shutterling::maker {

inline constexpr const wchar_t* kCreditLine = L"Developed by : " SHUTTERLING_MAKER_NAME;
inline constexpr const wchar_t* kWebAddress = L"http://www.example.org/";
inline constexpr const wchar_t* kContactAddress = L"shutterling@example.org";

}  // namespace shutterling::maker
