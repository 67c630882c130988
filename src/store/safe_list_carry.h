// What LoadSafeList learns about the data file that the list box cannot hold,
// kept until SaveSafeList so that a save loses nothing the file held.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

namespace shutterling::store {

struct SafeListCarry {
    // The load could not tell what the data file holds (a failed existence
    // test or read), so the save must leave it alone.
    bool contentUnknown = false;
    // Lines from the first one the list refused (it holds 32,767 at most),
    // written back after the list.
    std::vector<std::string> unloaded;
    // Exact bytes of lines the code page or the list box would alter (undefined
    // bytes, NULs), and of every line that looks the same in the list, by the
    // text the list shows up to its first NUL, in file order.
    std::map<std::wstring, std::deque<std::string>> rawLines;
};

}  // namespace shutterling::store
