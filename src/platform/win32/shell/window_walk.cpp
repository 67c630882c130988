// The walk: sixteen windows a round trip from the collection's cursor, handed
// out one by one in the same order.
#include "platform/win32/shell/window_walk.h"

#include "platform/win32/shell/browser_window.h"
#include "platform/win32/shell/variants.h"

namespace shutterling::win32 {
namespace {

// What one item of the cursor is. On a worker.
ComWindowWalk::Item ItemOf(const VARIANT& item, Answerer shell) {
    using Status = platform::WindowWalk::Step::Status;
    const VARTYPE type = V_VT(&item);
    // Nothing still takes its turn.
    if (type == VT_EMPTY || type == VT_NULL || (type == VT_DISPATCH && !V_DISPATCH(&item)) ||
        (type == VT_UNKNOWN && !V_UNKNOWN(&item)))
        return {Status::Window, nullptr};
    // Not an object, or not one with IDispatch: the assignment to the loop variable fails.
    IDispatch* browser = DispatchIn(item);
    const Answerer identity = IdentityOf(browser);
    if (!identity) {
        RemoteCalls::Get().Release(shell, browser);
        return {Status::Failed, nullptr};
    }
    return {Status::Window, AdoptRemote(browser, identity), identity};
}

}  // namespace

platform::WindowWalk::Step ComWindowWalk::Next() {
    using Status = Step::Status;
    if (next_ == ahead_.size() && !ended_) {
        // The cursor is still asked in order, and a failed fetch still ends
        // the walk where it happens.
        struct Batch {
            bool failed = false, ended = false;
            std::vector<Item> items;
        };
        auto batch = CallRemote<Batch>(shell_, [cursor = cursor_, shell = shell_](DWORD deadline) {
            Batch out;
            out.items.reserve(kWalkBatch);   // push_back then cannot throw past a VariantClear
            VARIANT items[kWalkBatch] = {};  // all VT_EMPTY
            ULONG count = 0;
            const HRESULT hr =
                RetryWhileBusy(deadline, [&] { return cursor->Next(kWalkBatch, items, &count); });
            out.failed = FAILED(hr);
            out.ended = hr == S_FALSE || count == 0;
            for (ULONG i = 0; i < kWalkBatch; ++i) {
                if (!out.failed && i < count)
                    out.items.push_back(ItemOf(items[i], shell));
                VariantClear(&items[i]);
            }
            return out;
        });
        if (!batch || batch->failed)
            return {Status::Failed, nullptr};
        ended_ = batch->ended;
        ahead_ = std::move(batch->items);
        next_ = 0;
        // Held by the pass, so a later walk of it meets the same proxies
        // rather than releasing these and making new ones.
        for (const auto& item : ahead_) {
            if (memo_ && item.browser)
                memo_->held.push_back(item.browser);
        }
    }
    if (next_ == ahead_.size())
        return {Status::End, nullptr};
    Item item = std::move(ahead_[next_++]);
    if (item.status != Status::Window) {
        next_ = ahead_.size();  // the walk ends at a failed fetch
        return {item.status, nullptr};
    }
    return {Status::Window,
            std::make_shared<ComBrowserWindow>(std::move(item.browser), item.identity, memo_)};
}

}  // namespace shutterling::win32
