// What one pass over the shell's windows learns and holds. User-interface
// thread only: a call takes a copy of what it needs, so that a call given up
// holds nothing of the pass.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32/shell/remote_calls.h"

namespace shutterling::win32 {

// The objects of the page model whose members have fixed ids: a document
// whose class name this pass read as "HTMLDocument", and the window reached
// from such a document by "parentwindow".
enum class PageModel { Unknown, HtmlDocument, HtmlWindow };

// Class names by the COM identity of the object they were asked of: a
// type-info object, or a document (an object's class does not change).
using TypeNames = std::map<Answerer, std::wstring>;
// The browser that answers each page object met, by the object's identity.
using PageBrowsers = std::map<Answerer, Answerer>;

// What one pass (the handling of one event, or one walk outside an event)
// learns that holds for every window it meets: the class name of each
// type-info object and of each document, asked once, and which browser
// answers each page object. It holds every reference the pass took until the
// pass ends, so the identities it keeps cannot be reused meanwhile, and a
// window or document met again costs no new interface and no second release.
struct WalkMemo {
    std::vector<std::shared_ptr<void>> held;
    TypeNames types;
    PageBrowsers pages;
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

}  // namespace shutterling::win32
