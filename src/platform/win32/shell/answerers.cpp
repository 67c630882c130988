// The answerers' records, and the calls and kept releases they hand to the workers.
#include "platform/win32/shell/answerers.h"

#include <algorithm>
#include <vector>

namespace shutterling::win32 {

// Everything sent to one answerer. It is not answering while one of its calls
// has been given up and has not come back, or while kept releases have been
// out to it for longer than a call may take.
struct Answerers::Lane {
    // A last release kept for the answerer, and what is said through the object first.
    struct Kept {
        IUnknown* object;
        std::function<void()> before;
    };
    Answerer who;
    int out = 0;             // calls, and a batch of kept releases, on workers now
    bool givenUp = false;    // until out is 0 again
    DWORD keptSince = 0;     // when the kept releases now out went; 0 while none are
    std::vector<Kept> kept;  // one per interface pointer, the rest made at once
};

// LaneOf, Silent, Begin and End run with the lock held.
std::shared_ptr<Answerers::Lane> Answerers::LaneOf(Answerer who, bool make) {
    if (const auto found = lanes_.find(who); found != lanes_.end())
        return found->second;
    return make ? lanes_[who] = std::make_shared<Lane>(who) : nullptr;
}

bool Answerers::Silent(const Lane& lane) const {
    return lane.givenUp || (lane.keptSince && GetTickCount() - lane.keptSince > kCallTimeoutMs);
}

void Answerers::Begin() {
    if (inHand_++ == 0)
        ResetEvent(handEmpty_.get());
}

void Answerers::End() {
    if (--inHand_ == 0)
        SetEvent(handEmpty_.get());
}

std::shared_ptr<Answerers::Call> Answerers::Send(Answerer who, std::function<void(DWORD)> work) {
    auto call = std::make_shared<Call>();
    if (!call->done)
        return nullptr;
    call->work = std::move(work);
    {
        Locked hold(lock_);
        call->lane = LaneOf(who, true);
        if (Silent(*call->lane))
            return nullptr;
        ++call->lane->out;
        Begin();
    }
    if (workers_.Start([this, call, deadline = GetTickCount() + kCallTimeoutMs] {
            try {
                call->work(deadline);
            } catch (...) {
            }
            // Its own references go to their answerers' records before it counts as done.
            call->work = nullptr;
            {
                Locked hold(lock_);
                call->finished = true;
                if (!call->abandoned)
                    End();
                else
                    --givenUpOut_;
            }
            SetEvent(call->done.get());
            Settle(call->lane);
        }))
        return call;
    Locked hold(lock_);
    --call->lane->out;
    End();
    return nullptr;
}

bool Answerers::GiveUp(Call& call) {
    Locked hold(lock_);
    if (call.finished)
        return false;
    call.abandoned = true;
    call.lane->givenUp = true;
    ++givenUpOut_;
    End();
    return true;
}

void Answerers::Release(Answerer who, IUnknown* object, std::function<void()> before) {
    if (!object)
        return;
    std::shared_ptr<Lane> lane;
    bool claimed = false;
    {
        Locked hold(lock_);
        lane = LaneOf(who, true);
        if (before || std::none_of(lane->kept.begin(), lane->kept.end(),
                                   [object](const Lane::Kept& k) { return k.object == object; })) {
            lane->kept.push_back({object, std::move(before)});
            object = nullptr;
        }
        // What is kept goes out on a worker at once when nothing is out to
        // the answerer, else after what is.
        claimed = lane->out == 0;
        if (claimed)
            ++lane->out;
    }
    // The same interface is kept already, so this is not its last release:
    // the proxy makes it without a call. A window that hangs for good so
    // keeps one reference per interface, however often it is met.
    if (object)
        object->Release();
    if (claimed && !workers_.Start([this, lane] { Settle(lane); })) {
        // Kept with the lane until a later release, or left to the process's end.
        Locked hold(lock_);
        --lane->out;
    }
}

// One piece of the lane's work is back (out still counts it): what was kept
// for the lane is made here, once nothing else is out to it.
void Answerers::Settle(const std::shared_ptr<Lane>& lane) {
    for (;;) {
        std::vector<Lane::Kept> kept;
        {
            Locked hold(lock_);
            if (lane->out > 1) {
                --lane->out;
                return;
            }
            // The last piece out is back: the answerer answers again.
            lane->givenUp = false;
            if (lane->kept.empty()) {
                --lane->out;
                lanes_.erase(lane->who);
                return;
            }
            // This worker makes what was kept, and its piece counts for it.
            kept.swap(lane->kept);
            lane->keptSince = GetTickCount();
            Begin();
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
        End();
    }
}

bool Answerers::Answering(Answerer who) {
    Locked hold(lock_);
    const auto lane = LaneOf(who, false);
    return !lane || !Silent(*lane);
}

bool Answerers::Drain(DWORD timeoutMs) {
    const bool done = WaitForSingleObject(handEmpty_.get(), timeoutMs) == WAIT_OBJECT_0;
    Locked hold(lock_);
    return done && givenUpOut_ == 0;
}

}  // namespace shutterling::win32
