// The answerers' records: what is out to whom, what is kept back for whom,
// and who is not answering.
#pragma once

#include <unknwn.h>

#include <cstdint>
#include <map>
#include <memory>

#include "platform/win32/shell/workers.h"

namespace shutterling::win32 {

// Windows calls a window hung when it has not answered for 5 s; a call is
// given up a little sooner.
inline constexpr DWORD kCallTimeoutMs = 4500;

// Whose thread answers a call: the COM identity of the browser window or page
// object that serves it, or kShell for the shell's collection. An answerer
// one of whose calls was given up counts as not answering until everything
// sent to it has come back: its later calls are not made.
using Answerer = std::uintptr_t;
inline constexpr Answerer kShell = 0;

class Answerers {
  public:
    struct Lane;
    // A call, from its sending to its coming back; `done` is set when it is back.
    struct Call {
        std::function<void(DWORD deadline)> work;
        std::shared_ptr<Lane> lane;
        UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        bool finished = false;   // under the records' lock, as is the flag below
        bool abandoned = false;  // its waiter gave up
    };

    explicit Answerers(Workers& workers) : workers_(workers) {}
    // Starts work(deadline) on a worker, out to who; null when who is not
    // answering or no thread could be started for it.
    std::shared_ptr<Call> Send(Answerer who, std::function<void(DWORD)> work);
    // The waiter gives the call up; false when it came back first.
    bool GiveUp(Call& call);
    // A last release, kept until nothing else is out to who, then made on a
    // worker; `before` is said through the object first.
    void Release(Answerer who, IUnknown* object, std::function<void()> before);
    bool Answering(Answerer who);
    // Waits at most timeoutMs until the work in hand is done, the calls given
    // up aside; false while anything is still out.
    bool Drain(DWORD timeoutMs);

  private:
    std::shared_ptr<Lane> LaneOf(Answerer who, bool make);
    bool Silent(const Lane& lane) const;
    void Begin();
    void End();
    void Settle(const std::shared_ptr<Lane>& lane);

    Workers& workers_;
    Lock lock_;
    std::map<Answerer, std::shared_ptr<Lane>> lanes_;  // those with something out or kept
    int inHand_ = 0;                                   // work on workers, the calls given up aside
    int givenUpOut_ = 0;                               // calls given up and not back yet
    UniqueHandle handEmpty_{CreateEventW(nullptr, TRUE, TRUE, nullptr)};  // set while inHand_ is 0
};

}  // namespace shutterling::win32
