// The calls to other processes: made on workers, waited for a bounded time, charged to answerers.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/shell.h"
#include "platform/win32/shell/answerers.h"
#include "platform/win32/shell/event_bridge.h"

namespace shutterling::win32 {

class RemoteCalls : public Answerers {
  public:
    enum class Outcome { Done, GivenUp, NotMade };

    // The one instance, made by the user-interface thread on first use. It is
    // never destroyed: an abandoned worker may still come back to it.
    static RemoteCalls& Get() {
        static RemoteCalls* calls = new RemoteCalls;
        return *calls;
    }

    // Runs call(deadline) on a worker and waits for it, dispatching messages
    // (ui_wait.cpp). NotMade: the program is shutting down, the answerer is
    // not answering, or no thread could be started.
    Outcome Run(Answerer who, std::function<void(DWORD deadline)> call);
    // The shell's events come this way (event_bridge.h).
    void RunOnUiThread(std::function<void()> work) { bridge_.Run(std::move(work)); }

    // Browsers' answers are waited for briefly while set (the shell's in full);
    // returns what it replaces. On the user-interface thread only.
    bool SetBrief(bool brief) { return std::exchange(brief_, brief); }
    // What runs once a browser left for now has answered: the handler of the
    // collection joined now, which a collection sets while it is held.
    void SetRejudge(std::weak_ptr<std::function<void()>> rejudge) { rejudge_ = std::move(rejudge); }

    // The shut-down began: waits in progress end now, later calls are not made.
    void Stop() { SetEvent(stop_.get()); }
    bool Stopped() const { return WaitForSingleObject(stop_.get(), 0) == WAIT_OBJECT_0; }

  private:
    RemoteCalls() {
        // Answers that come in together are judged by one pass, which waits for
        // them in full: a browser that answers, only slowly, is judged then, not
        // left again at every pass.
        OnAnsweredLate([this](Answerer who) {
            Locked hold(lateLock_);
            late_.push_back(who);
            if (late_.size() == 1)
                bridge_.Post([this] {
                    std::vector<Answerer> patient;
                    {
                        Locked hold(lateLock_);
                        patient.swap(late_);
                    }
                    auto rejudge = rejudge_.lock();
                    if (!rejudge)
                        return;
                    const auto outer = std::exchange(patient_, std::move(patient));
                    (*rejudge)();
                    patient_ = outer;
                });
        });
    }
    bool Patient(Answerer who) const {
        return !brief_ || IsShell(who) ||
               std::find(patient_.begin(), patient_.end(), who) != patient_.end();
    }

    bool brief_ = false;
    std::vector<Answerer> patient_;  // answered late: waited for in full by their pass
    std::weak_ptr<std::function<void()>> rejudge_;
    Lock lateLock_;
    std::vector<Answerer> late_;  // answered late since the last pass was posted

    UniqueHandle stop_{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    EventBridge bridge_{stop_.get()};
};

// Retries a call that a busy server rejected (a browser inside a modal loop
// answers that way), at about the pace Windows retries. A read is asked again
// past the deadline, until the server takes it or the shut-down begins: its
// waiter gives up at the deadline, and the answerer then counts as not
// answering until the server takes calls again, so a busy browser costs one
// wait, as a hung one does. A call that changes something (`reads` false) is
// never made late: at the deadline it is turned away.
inline HRESULT RetryWhileBusy(DWORD deadline, const std::function<HRESULT()>& call,
                              bool reads = true) {
    constexpr DWORD kPauseMs = 100;
    for (;;) {
        const HRESULT hr = call();
        if (hr != RPC_E_SERVERCALL_RETRYLATER && hr != RPC_E_CALL_REJECTED)
            return hr;
        const bool late =
            static_cast<LONG>(deadline - GetTickCount()) <= static_cast<LONG>(kPauseMs);
        if (late && (!reads || RemoteCalls::Get().Stopped())) {
            TurnedAway() = true;
            return hr;
        }
        Sleep(kPauseMs);
    }
}

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
inline Answerer IdentityOf(IUnknown* object) {
    IUnknown* identity = nullptr;
    if (!object || FAILED(object->QueryInterface(IID_PPV_ARGS(&identity))))
        return 0;
    const auto key = reinterpret_cast<Answerer>(identity);
    RemoteCalls::Get().Release(key, identity);  // not its last: the object holds it
    return key;
}

// A call whose result crosses back to the user-interface thread: none when it
// failed, or unanswered (given up, not made, or turned away until the deadline).
// An abandoned call that comes back later writes where nobody looks.
template <class Result, class Call>
platform::Read<Result> CallRemote(Answerer who, Call call) {
    struct Out {
        std::optional<Result> result;
        bool turnedAway = false;
    };
    auto out = std::make_shared<Out>();
    const auto outcome =
        RemoteCalls::Get().Run(who, [out, call = std::move(call)](DWORD deadline) mutable {
            out->result = call(deadline);
            out->turnedAway = TurnedAway();
        });
    if (outcome != RemoteCalls::Outcome::Done || (!out->result && out->turnedAway))
        return platform::Read<Result>::NoAnswer();
    return std::move(out->result);
}

}  // namespace shutterling::win32
