// Faults a scenario times by the client's own calls: a window that registers
// inside the client's Nth call from now, the way the real shell's events
// reach a client that is waiting on a call of its own, and a crash inside one.
#pragma once

namespace sim {

class BrowserWindow;

// Every call a client makes on the simulator's objects passes here first.
void OnClientCall();
// Withholds the open window from the collection; it registers inside the
// client's call `calls` calls from now.
void FireInside(BrowserWindow& window, int calls);
// Ends the process, like a crash, inside the client's call `calls` calls from now.
void DieInside(int calls);

}  // namespace sim
