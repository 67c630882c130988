// Faults a scenario sets up: a window that registers inside the client's Nth
// call from now, the way the real shell's events reach a client that is
// waiting on a call of its own, a crash inside one, and a browser whose
// thread stops answering (hang=) or turns calls away while busy (busy=).
#pragma once

#include <windows.h>

#include <objidl.h>
#include <wrl/client.h>

#include <memory>

namespace sim {

class BrowserWindow;

// Every call a client makes on the simulator's objects passes here first.
void OnClientCall();
// Withholds the open window from the collection; it registers inside the
// client's call `calls` calls from now, or with kAtAdvise inside the next
// Advise, once the new sink is taken: its event reaches a client that still
// waits for its subscription to be made.
inline constexpr int kAtAdvise = -1;
void FireInside(BrowserWindow& window, int calls);
// A sink has just been taken, inside Advise.
void OnAdvised();
// Ends the process, like a crash, inside the client's call `calls` calls from now.
void DieInside(int calls);
// Ends the process at once, like a crash: nothing is released or unadvised,
// but the class registration (main.cpp) goes with it, as Windows' service
// control manager drops a dead server's. Wine 8's keeps it and hands the dead
// one out first, so a shell started after this one would never be reached.
[[noreturn]] void Crash();
void SetClassRegistration(DWORD cookie);

// At the window's armed read (hang=READ:TIME) its thread stops answering, once:
// a real block, not a message loop, so no call and no message reaches the
// thread meanwhile. Then the read is answered as usual.
void HangAt(BrowserWindow& window, const wchar_t* read, const char* member);
// From now on for `ms` the shell turns its calls away as busy, the
// collection's activation too: ShellBusyAnswer, at the start of each of them,
// is then RPC_E_SERVERCALL_RETRYLATER (logged at the first and once answered
// again), and S_OK otherwise.
void ShellBusyFor(DWORD ms);
HRESULT ShellBusyAnswer(const char* member);
// The shell's thread stops answering at `read` for `ms`, the same way: no
// call, no event and no scenario step meanwhile. Then the read goes on.
void HangShell(const char* read, DWORD ms);
// The run is ending: a hang, now or later, lasts until the process has ended.
void HoldHangs();
// Whether the thread is blocked in a hang, in a plain wait.
bool Hanging(DWORD threadId);
// RPC_E_SERVERCALL_RETRYLATER, logged, while a window whose members turn calls
// away (busy=SECONDS) is busy; S_OK otherwise.
HRESULT BusyAnswer(BrowserWindow& window, const char* member);
// The message filter of a window's own thread, for busy=SECONDS:filter and
// busy=SECONDS:reject.
Microsoft::WRL::ComPtr<IMessageFilter> NewBusyFilter(std::weak_ptr<BrowserWindow> window);

}  // namespace sim
