// One line of a scenario: a verb, plain words and key=value settings.
//   open ad title="Buy now" opener=home menubar=no size=300x250   # a comment
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sim {

struct Step {
    int line = 0;
    std::wstring verb;  // empty for a blank or comment-only line
    std::vector<std::wstring> words;
    std::vector<std::pair<std::wstring, std::wstring>> keys;  // keys in lower case

    const std::wstring* Key(std::wstring_view key) const;
};

// False, with a message, when a quoted value is not closed.
bool ParseLine(std::wstring_view text, int line, Step& step, std::wstring& error);

std::optional<int> ParseInt(std::wstring_view text);
// "800x600"
std::optional<std::pair<int, int>> ParseSize(std::wstring_view text);
// "2", "0.5": seconds, to the millisecond.
std::optional<unsigned long> ParseSeconds(std::wstring_view text);
// "yes"/"no", "true"/"false", "1"/"0", "on"/"off"
std::optional<bool> ParseBool(std::wstring_view text);

}  // namespace sim
