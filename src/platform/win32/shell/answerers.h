// The answerers' records: what is out to whom, what is kept back, who is not answering.
#pragma once

#include <unknwn.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "platform/win32/shell/workers.h"

namespace shutterling::win32 {

// Windows calls a window hung when it has not answered for 5 s; a call is
// given up a little sooner.
inline constexpr DWORD kCallTimeoutMs = 4500;

// While a pass looks at the windows one by one, a browser's answer is waited
// for this long: the window is then left for now, and its answer, once it
// comes, has it judged (RemoteCalls::SetRejudge); the others do not wait for it.
inline constexpr DWORD kBriefWaitMs = 150;

// Whose thread answers a call: the COM identity of the browser window or page
// object that serves it, or kShell for the shell's collection (a shell joined
// again counts up from there, far below any object's address).
using Answerer = std::uintptr_t;
inline constexpr Answerer kShell = 0;
inline bool IsShell(Answerer who) {
    return who < 0x10000;
}

// Whether a RetryWhileBusy of this worker's call gave up on a server still
// busy: the call was turned away, not answered.
inline bool& TurnedAway() {
    thread_local bool turnedAway = false;
    return turnedAway;
}

// An answerer is not answering from the moment a wait on it is given up until
// everything out to it has come back, and while kept releases have been out
// to it for longer than a call may take: meanwhile its calls are not made.
class Answerers {
    struct Lane;

  public:
    // A last release, made on a worker once nothing else is out to who, after a
    // shut-down too; `before` is said through the object first.
    void Release(Answerer who, IUnknown* object, std::function<void()> before = nullptr) {
        if (!object)
            return;
        Lane* lane = nullptr;
        bool claimed = false;
        {
            Locked hold(lock_);
            lane = LaneOf(who);
            if (before || std::none_of(lane->kept.begin(), lane->kept.end(),
                                       [object](const Kept& k) { return k.object == object; })) {
                lane->kept.push_back({object, std::move(before)});
                object = nullptr;
            }
            claimed = lane->out == 0;  // else it goes after what is out
            if (claimed) {
                ++lane->out;
                InHand(+1);  // from now, not once a worker takes it: the exit waits for it
            }
        }
        // Kept already, so not the interface's last release: the proxy makes it
        // without a call. A window that hangs for good keeps one an interface.
        if (object)
            object->Release();
        if (claimed && !workers_.Start([this, lane] { Settle(lane); })) {
            Locked hold(lock_);  // kept until a later release, or left to the process's end
            --lane->out;
            InHand(-1);
        }
    }

    // Runs on a worker once everything out to an answerer is back, when a call
    // to it had been given up and was answered after all. Set once, before any call.
    void OnAnsweredLate(std::function<void(Answerer)> answeredLate) {
        answeredLate_ = std::move(answeredLate);
    }

    bool Answering(Answerer who) {
        Locked hold(lock_);
        const auto lane = lanes_.find(who);
        return lane == lanes_.end() || !Silent(lane->second);
    }

    // Waits for the work in hand but the calls given up, so that the unsubscription
    // and the last releases go out before the process ends; false while anything is out.
    bool Drain(DWORD timeoutMs) {
        const bool done = WaitForSingleObject(handEmpty_.get(), timeoutMs) == WAIT_OBJECT_0;
        Locked hold(lock_);
        return done && givenUpOut_ == 0;
    }

  protected:
    struct Call {
        Lane* lane = nullptr;
        UniqueHandle done{CreateEventW(nullptr, TRUE, FALSE, nullptr)};  // set when it is back
        bool finished = false;   // under the lock, as is the flag below
        bool abandoned = false;  // its waiter gave up
    };

    // Null when who is not answering or no thread could be started for it.
    std::shared_ptr<Call> Send(Answerer who, std::function<void(DWORD)> work) {
        auto call = std::make_shared<Call>();
        if (!call->done)
            return nullptr;
        {
            Locked hold(lock_);
            call->lane = LaneOf(who);
            if (Silent(*call->lane))
                return nullptr;
            ++call->lane->out;
            InHand(+1);
        }
        const DWORD deadline = GetTickCount() + kCallTimeoutMs;
        if (workers_.Start([this, call, work = std::move(work), deadline]() mutable {
                TurnedAway() = false;
                try {
                    work(deadline);
                } catch (...) {
                }
                work = nullptr;  // its references go to their records before it counts as done
                lock_.lock();
                call->finished = true;
                call->lane->answeredLate |= call->abandoned && !TurnedAway();
                if (call->abandoned) {
                    // In hand again in the same step, until the releases kept behind it
                    // are made: the exit must not find nothing out and nothing in hand
                    // while this worker is about to make them.
                    --givenUpOut_;
                    InHand(+1);
                }
                lock_.unlock();
                SetEvent(call->done.get());
                Settle(call->lane);
            }))
            return call;
        Locked hold(lock_);
        --call->lane->out;
        InHand(-1);
        return nullptr;
    }

    // False when the call came back first.
    bool GiveUp(Call& call) {
        Locked hold(lock_);
        if (call.finished)
            return false;
        call.abandoned = true;
        call.lane->givenUp = true;
        ++givenUpOut_;
        InHand(-1);
        return true;
    }

  private:
    struct Kept {  // a last release, and what is said through the object first
        IUnknown* object;
        std::function<void()> before;
    };
    struct Lane {  // lives in lanes_ while anything is out or kept
        Answerer who = 0;
        int out = 0;                // calls, and a batch of kept releases, on workers now
        bool givenUp = false;       // until out is 0 again
        bool answeredLate = false;  // a call given up on came back answered
        DWORD keptSince = 0;        // when the kept releases now out went; 0 while none are
        std::vector<Kept> kept;     // one per interface pointer
    };

    // LaneOf, Silent and InHand run with the lock held.
    Lane* LaneOf(Answerer who) {
        Lane& lane = lanes_[who];
        lane.who = who;
        return &lane;
    }
    bool Silent(const Lane& lane) const {
        return lane.givenUp || (lane.keptSince && GetTickCount() - lane.keptSince > kCallTimeoutMs);
    }
    void InHand(int change) {
        inHand_ += change;
        if (inHand_ == 0)
            SetEvent(handEmpty_.get());
        else
            ResetEvent(handEmpty_.get());
    }

    // One piece of the lane's work is back (out, and in hand, still count it): what was
    // kept for the lane is made here, once nothing else is out to it. The piece stays in
    // hand until then: the exit must not find nothing in hand between a call and the
    // releases after it.
    void Settle(Lane* lane) {
        for (;;) {
            std::vector<Kept> kept;
            {
                Locked hold(lock_);
                if (lane->out > 1 || lane->kept.empty()) {
                    const Answerer who = lane->who;
                    bool late = false;
                    if (--lane->out == 0) {
                        late = lane->answeredLate;
                        lanes_.erase(who);  // all back: it answers again
                    }
                    InHand(-1);
                    if (late && answeredLate_)
                        answeredLate_(who);  // under the lock: it only notes and posts
                    return;
                }
                lane->givenUp = false;  // the last piece out is back: it answers again
                kept.swap(lane->kept);  // this worker makes them, its piece counting for them
                lane->keptSince = GetTickCount();
                InHand(+1);
            }
            for (auto& [object, before] : kept) {
                try {
                    if (before)
                        before();
                } catch (...) {
                }
                object->Release();
            }
            kept.clear();  // what `before` held goes while this still counts for the lane
            Locked hold(lock_);
            lane->keptSince = 0;
            InHand(-1);
        }
    }

    Workers workers_;
    std::function<void(Answerer)> answeredLate_;
    Lock lock_;
    std::map<Answerer, Lane> lanes_;
    int inHand_ = 0;      // work on workers, the calls given up aside
    int givenUpOut_ = 0;  // calls given up and not back yet
    UniqueHandle handEmpty_{CreateEventW(nullptr, TRUE, TRUE, nullptr)};  // while inHand_ is 0
};

}  // namespace shutterling::win32
