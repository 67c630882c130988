// The walk over the shell's collection of browser windows.
#pragma once

#include <oaidl.h>

#include <vector>

#include "platform/shell.h"
#include "platform/win32/shell/walk_memo.h"

namespace shutterling::win32 {

// Windows a walk asks the cursor for at once.
inline constexpr ULONG kWalkBatch = 16;

class ComWindowWalk final : public platform::WindowWalk {
  public:
    explicit ComWindowWalk(RemoteRef<IEnumVARIANT> cursor, Answerer shell = kShell,
                           std::shared_ptr<WalkMemo> memo = PassScope::Memo())
        : cursor_(std::move(cursor)), shell_(shell), memo_(std::move(memo)) {}
    Step Next() override;

    struct Item {
        Step::Status status;
        RemoteRef<IDispatch> browser;  // null for an item that is Nothing
        Answerer identity = 0;
    };

  private:
    RemoteRef<IEnumVARIANT> cursor_;
    Answerer shell_;
    std::shared_ptr<WalkMemo> memo_;
    std::vector<Item> ahead_;  // fetched; those from next_ on not handed out yet
    std::size_t next_ = 0;
    bool ended_ = false;
};

}  // namespace shutterling::win32
