// What one pass over the shell's windows learns and holds.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/shell/remote_calls.h"

namespace shutterling::win32 {

// The objects of the page model whose members have fixed ids: a document
// whose class name the pass read as "HTMLDocument", and its "parentwindow".
enum class PageModel { Unknown, HtmlDocument, HtmlWindow };

// By the COM identity of the object asked: the class names of type-info
// objects and of documents (an object's class does not change), and the
// browser that answers each page object met.
using TypeNames = std::map<Answerer, std::wstring>;
using PageBrowsers = std::map<Answerer, Answerer>;

// A pass is the handling of one event, or one walk outside an event. Its memo
// holds every reference the pass took until it ends: the identities it keeps
// cannot be reused meanwhile, and a window or document met again costs no new
// interface and no second release. User-interface thread only: a call takes a
// copy of what it needs, so a call given up holds nothing of the pass.
struct WalkMemo {
    std::vector<std::shared_ptr<void>> held;
    TypeNames types;
    PageBrowsers pages;
};

// The handling of one shell event, nested ones included: its walks share one memo.
class PassScope {
  public:
    PassScope() : outer_(memo_) {
        if (!memo_)
            memo_ = std::make_shared<WalkMemo>();
    }
    ~PassScope() { memo_ = std::move(outer_); }
    PassScope(const PassScope&) = delete;
    PassScope& operator=(const PassScope&) = delete;
    // The memo of the pass under way, or a new one for a walk of its own.
    static std::shared_ptr<WalkMemo> Memo() { return memo_ ? memo_ : std::make_shared<WalkMemo>(); }

  private:
    std::shared_ptr<WalkMemo> outer_;  // the outer scope's, held for it: null outermost
    static inline std::shared_ptr<WalkMemo> memo_;
};

}  // namespace shutterling::win32
