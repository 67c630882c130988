#include "platform/win32/walk_memo.h"

#include <tuple>

#include "platform/win32/locked.h"

namespace shutterling::win32 {
namespace {

// The ids of the members of the classes whose ids are fixed, once resolved:
// a class's built-in members keep their ids in every object of the class, and
// the program asks only built-in members (an expando member added by a page
// script would have an id of its own object). Kept for the program's life.
class MemberIds {
  public:
    std::optional<DISPID> Find(PageModel model, const std::wstring& member) {
        Locked lock(lock_);
        for (const auto& [m, name, id] : ids_) {
            if (m == model && name == member)
                return id;
        }
        return std::nullopt;
    }
    void Remember(PageModel model, const std::wstring& member, DISPID id) {
        Locked lock(lock_);
        ids_.emplace_back(model, member, id);
    }

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<std::tuple<PageModel, std::wstring, DISPID>> ids_;
};

MemberIds& KnownIds() {
    static MemberIds* ids = new MemberIds;  // never freed: workers may use it at exit
    return *ids;
}

std::shared_ptr<WalkMemo> passMemo;
int passDepth = 0;

}  // namespace

PassScope::PassScope() {
    if (passDepth++ == 0)
        passMemo = std::make_shared<WalkMemo>();
}

PassScope::~PassScope() {
    if (--passDepth == 0)
        passMemo.reset();
}

std::shared_ptr<WalkMemo> PassScope::Memo() {
    return passMemo ? passMemo : std::make_shared<WalkMemo>();
}

WalkMemo::~WalkMemo() {
    if (held_.empty())
        return;
    // One worker releases them all, rather than one each.
    try {
        RemoteCalls::Get().Post([held = std::move(held_)]() mutable { held.clear(); });
    } catch (...) {
        // Out of memory: they go one by one, as the memo goes.
    }
}

void WalkMemo::Hold(std::shared_ptr<void> reference) {
    Locked lock(lock_);
    held_.push_back(std::move(reference));
}

std::optional<std::wstring> WalkMemo::TypeName(IUnknown* identity) {
    Locked lock(lock_);
    for (const auto& [held, name] : typeNames_) {
        if (held.get() == identity)
            return name;
    }
    return std::nullopt;
}

void WalkMemo::RememberTypeName(RemoteRef<IUnknown> identity, const std::wstring& name) {
    Locked lock(lock_);
    typeNames_.emplace_back(std::move(identity), name);
}

std::optional<DISPID> KnownMemberId(PageModel model, const std::wstring& member) {
    return KnownIds().Find(model, member);
}

void RememberMemberId(PageModel model, const std::wstring& member, DISPID id) {
    KnownIds().Remember(model, member, id);
}

}  // namespace shutterling::win32
