// What one pass over the shell's windows learns and holds, and the ids of
// the members whose ids are fixed. User-interface thread only: a call takes
// a copy of what it needs, so that a call given up holds nothing of the pass.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/win32/shell/remote_calls.h"

namespace shutterling::win32 {

// The objects of the page model whose members have fixed ids: a document
// whose class name this pass read as "HTMLDocument", and the window reached
// from such a document by "parentwindow".
enum class PageModel { Unknown, HtmlDocument, HtmlWindow };

// Class names by the COM identity of the object they were asked of: a
// type-info object, or a document (an object's class does not change).
using TypeNames = std::vector<std::pair<Answerer, std::wstring>>;
// The browser that answers each page object met, by the object's identity.
using PageBrowsers = std::vector<std::pair<Answerer, Answerer>>;

// What one pass over the shell's windows (the handling of one event, or one
// walk outside an event) learns that holds for every window it meets: the
// class name of each type-info object and of each document, asked once, and
// which browser answers each page object. It holds every reference the pass took until the pass
// ends, so the identities it keeps cannot be reused meanwhile, and a window
// or document met again costs no new interface and no second release.
class WalkMemo {
  public:
    void Hold(std::shared_ptr<void> reference) { held_.push_back(std::move(reference)); }
    const TypeNames& Types() const { return types_; }
    // `held` keeps the object of that identity for the pass, when nothing else does.
    void RememberType(Answerer identity, const std::wstring& name,
                      std::shared_ptr<void> held = nullptr) {
        types_.emplace_back(identity, name);
        if (held)
            Hold(std::move(held));
    }
    const PageBrowsers& Pages() const { return pages_; }
    void NotePage(Answerer identity, Answerer browser) { pages_.emplace_back(identity, browser); }

  private:
    std::vector<std::shared_ptr<void>> held_;
    TypeNames types_;
    PageBrowsers pages_;
};

// The handling of one shell event, nested ones included: its walks share one memo.
class PassScope {
  public:
    PassScope() {
        if (depth_++ == 0)
            memo_ = std::make_shared<WalkMemo>();
    }
    ~PassScope() {
        if (--depth_ == 0)
            memo_.reset();
    }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;
    // The memo of the pass under way, or a new one for a walk of its own.
    static std::shared_ptr<WalkMemo> Memo() { return memo_ ? memo_ : std::make_shared<WalkMemo>(); }

  private:
    static inline std::shared_ptr<WalkMemo> memo_;
    static inline int depth_ = 0;
};

// The id of a member of an object of a fixed-id model, once resolved: a
// class's built-in members keep their ids in every object of the class, and
// the program asks only built-in members (an expando member added by a page
// script would have an id of its own object). Member names in lower case.
class MemberIds {
  public:
    static std::optional<DISPID> Known(PageModel model, const std::wstring& member) {
        for (const auto& [m, name, id] : ids_) {
            if (m == model && name == member)
                return id;
        }
        return std::nullopt;
    }
    static void Remember(PageModel model, const std::wstring& member, DISPID id) {
        ids_.emplace_back(model, member, id);
    }

  private:
    static inline std::vector<std::tuple<PageModel, std::wstring, DISPID>> ids_;
};

}  // namespace shutterling::win32
