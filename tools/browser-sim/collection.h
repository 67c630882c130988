// The shell's window collection as its clients see it: IShellWindows (Count,
// Item, _NewEnum) over the open browsers, and the DShellWindowsEvents
// connection point through which WindowRegistered reaches them.
#pragma once

#include <unknwn.h>

namespace sim {

// A new collection object, holding one reference.
IUnknown* NewCollection();

}  // namespace sim
