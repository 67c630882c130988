// What one pass over the shell's windows learns and holds, and the ids of
// the members whose ids are fixed. Used from workers as well.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/remote_calls.h"

namespace shutterling::win32 {

// The objects of the page model whose members have fixed ids: a document
// whose class name this pass read as "HTMLDocument", and the window reached
// from such a document by "parentwindow".
enum class PageModel { Unknown, HtmlDocument, HtmlWindow };

// What one pass over the shell's windows (the handling of one event, or one
// walk outside an event) learns that holds for every window it meets: the
// class name of each type-info object, asked once. It also holds every
// reference the pass took until the pass ends: a window or document met again
// by a later walk of the pass costs no new interface and no second release,
// and the releases come after the close request. Shared by the walks and the
// objects reached through them, and released with the last of them; used
// from workers.
class WalkMemo {
  public:
    WalkMemo() = default;
    WalkMemo(const WalkMemo&) = delete;
    WalkMemo& operator=(const WalkMemo&) = delete;
    ~WalkMemo();
    void Hold(std::shared_ptr<void> reference);
    std::optional<std::wstring> TypeName(IUnknown* identity);
    void RememberTypeName(RemoteRef<IUnknown> identity, const std::wstring& name);

  private:
    SRWLOCK lock_ = SRWLOCK_INIT;
    std::vector<std::shared_ptr<void>> held_;
    std::vector<std::pair<RemoteRef<IUnknown>, std::wstring>> typeNames_;
};

// The handling of one shell event, nested ones included: its walks share one
// memo. User-interface thread only.
class PassScope {
  public:
    PassScope();
    ~PassScope();
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;
    // The memo of the pass under way, or a new one for a walk of its own.
    static std::shared_ptr<WalkMemo> Memo();
};

// The id of a member of an object of a fixed-id model, once resolved (see
// MemberIds in walk_memo.cpp); member names in lower case.
std::optional<DISPID> KnownMemberId(PageModel model, const std::wstring& member);
void RememberMemberId(PageModel model, const std::wstring& member, DISPID id);

}  // namespace shutterling::win32
