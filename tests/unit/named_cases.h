// Tables of named cases: each instance of a parameterised test is named by its
// case's `name`, so ctest lists it by that name and not by an index.
#pragma once

#include <string>

namespace shutterling::fakes {

// The name generator of INSTANTIATE_TEST_SUITE_P for such a table.
inline constexpr auto kCaseName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace shutterling::fakes
