// The walk over the shell's collection: sixteen windows a round trip, handed out one by one.
#pragma once

#include <vector>

#include "platform/win32/shell/browser_window.h"

namespace shutterling::win32 {

class ComWindowWalk final : public platform::WindowWalk {
  public:
    explicit ComWindowWalk(RemoteRef<IEnumVARIANT> cursor, Answerer shell = kShell,
                           std::shared_ptr<WalkMemo> memo = PassScope::Memo())
        : cursor_(std::move(cursor)), shell_(shell), memo_(std::move(memo)) {}

    Step Next() override {
        if (next_ == ahead_.size() && !ended_ && !Fetch())
            return {Step::Status::Failed, nullptr};
        if (next_ == ahead_.size())
            return {Step::Status::End, nullptr};
        Item item = std::move(ahead_[next_++]);
        if (item.status != Step::Status::Window) {
            next_ = ahead_.size();  // the walk ends at a failed fetch
            return {item.status, nullptr};
        }
        return {Step::Status::Window,
                std::make_shared<ComBrowserWindow>(std::move(item.browser), item.identity, memo_)};
    }

  private:
    static constexpr ULONG kBatch = 16;  // windows asked of the cursor at once
    struct Item {
        Step::Status status;
        RemoteRef<IDispatch> browser;  // null for an item that is Nothing
        Answerer identity = 0;
    };

    // What one item of the cursor is. On a worker.
    static Item ItemOf(const VARIANT& item, Answerer shell) {
        const VARTYPE type = V_VT(&item);
        // Nothing still takes its turn.
        if (type == VT_EMPTY || type == VT_NULL || (type == VT_DISPATCH && !V_DISPATCH(&item)) ||
            (type == VT_UNKNOWN && !V_UNKNOWN(&item)))
            return {Step::Status::Window, nullptr};
        // Not an object, or not one with IDispatch: the assignment to the loop variable fails.
        IDispatch* browser = DispatchIn(item);
        const Answerer identity = IdentityOf(browser);
        if (!identity) {
            RemoteCalls::Get().Release(shell, browser);
            return {Step::Status::Failed, nullptr};
        }
        return {Step::Status::Window, AdoptRemote(browser, identity), identity};
    }

    // The next batch; a failed fetch still ends the walk where it happens.
    bool Fetch() {
        struct Batch {
            bool failed = false, ended = false;
            std::vector<Item> items;
        };
        auto batch = CallRemote<Batch>(shell_, [cursor = cursor_, shell = shell_](DWORD deadline) {
            Batch out;
            out.items.reserve(kBatch);   // push_back then cannot throw past a VariantClear
            VARIANT items[kBatch] = {};  // all VT_EMPTY
            ULONG count = 0;
            const HRESULT hr =
                RetryWhileBusy(deadline, [&] { return cursor->Next(kBatch, items, &count); });
            out.failed = FAILED(hr);
            out.ended = hr == S_FALSE || count == 0;
            for (ULONG i = 0; i < kBatch; ++i) {
                if (!out.failed && i < count)
                    out.items.push_back(ItemOf(items[i], shell));
                VariantClear(&items[i]);
            }
            return out;
        });
        if (!batch || batch->failed)
            return false;
        ended_ = batch->ended;
        ahead_ = std::move(batch->items);
        next_ = 0;
        // Held by the pass: a later walk of it meets the same proxies.
        for (const auto& item : ahead_) {
            if (memo_ && item.browser)
                memo_->held.push_back(item.browser);
        }
        return true;
    }

    RemoteRef<IEnumVARIANT> cursor_;
    Answerer shell_;
    std::shared_ptr<WalkMemo> memo_;
    std::vector<Item> ahead_;  // fetched; those from next_ on not handed out yet
    std::size_t next_ = 0;
    bool ended_ = false;
};

}  // namespace shutterling::win32
