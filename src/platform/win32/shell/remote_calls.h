// Calls into other processes (the shell's window collection, the browsers)
// never hold the program hostage. Each runs on a worker thread of the
// multithreaded apartment while the user-interface thread waits for it at
// most kCallTimeoutMs, dispatching messages as the apartment's own modal loop
// would; a call that does not come back in time is abandoned with its thread
// (DESIGN.md says why not CoCancelCall: Wine 8 does not honour it).
#pragma once

#include <windows.h>

#include <unknwn.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

#include "platform/shell.h"

namespace shutterling::win32 {

// Windows calls a window hung when it has not answered for 5 s; a call is
// given up a little sooner.
inline constexpr DWORD kCallTimeoutMs = 4500;

// Whose thread answers a call: the COM identity of the browser window or page
// object that serves it, or kShell for the shell's collection. An answerer
// one of whose calls was given up counts as not answering until everything
// sent to it has come back: its later calls fail at once.
using Answerer = std::uintptr_t;
inline constexpr Answerer kShell = 0;

class RemoteCalls {
  public:
    enum class Outcome { Done, GivenUp, NotMade };

    // The one instance, made by the user-interface thread on first use. It is
    // never destroyed: an abandoned worker may still come back to it.
    static RemoteCalls& Get();

    // Runs call(deadline) on a worker and waits for it while dispatching
    // messages; the time spent in what they run (a nested event's handler,
    // a menu) is not charged to the call. The call may retry a rejected call
    // of its own until deadline (a GetTickCount value). NotMade: the program
    // is shutting down, the answerer is not answering, or no thread could be
    // started for it.
    Outcome Run(Answerer who, std::function<void(DWORD deadline)> call);

    // The last release of a reference (see RemoteRef), kept with the
    // answerer's record and made on a worker once nothing else is on its way
    // to it, never on the user-interface thread; `before` is said through the
    // object first (the end of a subscription). Made after a shut-down too.
    void Release(Answerer who, IUnknown* object, std::function<void()> before = nullptr);

    // Runs work on the user-interface thread and waits until it returned
    // (or the shut-down began); from that thread itself, runs it directly.
    // The shell's events come this way, so the handler runs while the shell
    // waits, at the points where the apartment used to let events in.
    void RunOnUiThread(std::function<void()> work);

    // The shut-down began: waits in progress end now, later calls are not made.
    void Stop();
    bool Stopped() const;
    // Waits, at most timeoutMs, until the work in hand is done (the calls
    // given up aside), so that the unsubscription and the last releases go
    // out before the process ends. False while anything is still out: a call
    // given up, or work the wait did not see end.
    bool Drain(DWORD timeoutMs);

    bool Answering(Answerer who);

    RemoteCalls(const RemoteCalls&) = delete;
    RemoteCalls& operator=(const RemoteCalls&) = delete;
    struct State;

  private:
    RemoteCalls();
    State* state_;  // never freed, for the same reason as the instance
};

// Retries a call that a busy server rejected (a browser inside a modal loop
// answers that way) until the deadline.
HRESULT RetryWhileBusy(DWORD deadline, const std::function<HRESULT()>& call);

// Whether a RetryWhileBusy of this worker's call gave up on a server still
// busy at the deadline: the call was turned away, not answered.
bool& TurnedAway();

// A reference to another process's object, released through RemoteCalls.
template <class Interface>
using RemoteRef = std::shared_ptr<Interface>;

template <class Interface>
RemoteRef<Interface> AdoptRemote(Interface* object, Answerer who) {
    if (!object)
        return nullptr;
    return RemoteRef<Interface>(object,
                                [who](Interface* p) { RemoteCalls::Get().Release(who, p); });
}

// The COM identity of an object, as a key that stays the object's while the
// object is held (a proxy answers it without a call); 0 when there is none.
Answerer IdentityOf(IUnknown* object);

// A call whose result crosses back to the user-interface thread. Without a
// result it failed, or went unanswered: given up, not made to an answerer
// that is not answering, or turned away as busy until the deadline. The
// result lives in shared state, so an abandoned call that comes back later
// writes where nobody looks.
template <class Result, class Call>
platform::Read<Result> CallRemote(Answerer who, Call call) {
    struct Out {
        std::optional<Result> result;
        bool turnedAway = false;
    };
    auto out = std::make_shared<Out>();
    const auto outcome =
        RemoteCalls::Get().Run(who, [out, call = std::move(call)](DWORD deadline) mutable {
            TurnedAway() = false;
            out->result = call(deadline);
            out->turnedAway = TurnedAway();
        });
    if (outcome != RemoteCalls::Outcome::Done || (!out->result && out->turnedAway))
        return platform::Read<Result>::NoAnswer();
    return std::move(out->result);
}

}  // namespace shutterling::win32
