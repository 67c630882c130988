// Late-bound calls: a page's objects reached by member name, as a script host reaches them.
#pragma once

#include <oaidl.h>
#include <wrl/client.h>

#include <utility>

#include "platform/shell.h"
#include "platform/win32/shell/walk_memo.h"

namespace shutterling::win32 {

using Microsoft::WRL::ComPtr;

// An object of a page, answered by whoever serves it: the browser window it
// was reached from, or for an opener (another page) the browser whose page
// the pass has met it as, else the object itself. Its calls take along what
// they need, never the pass's memo, which it joins on the user-interface thread.
class ComDispatch final : public platform::Dispatch {
  public:
    ComDispatch(RemoteRef<IDispatch> object, Answerer who, std::shared_ptr<WalkMemo> memo = nullptr,
                PageModel model = PageModel::Unknown, Answerer identity = 0)
        : object_(std::move(object)), who_(who), identity_(identity) {
        Join(std::move(memo), model);
    }

    platform::Read<platform::Variant> Get(std::wstring_view member) override;
    bool Put(std::wstring_view member, const platform::Variant& value) override;
    platform::Read<std::wstring> ClassName() override;  // class_name.cpp

    IDispatch* get() const noexcept { return object_.get(); }
    // Held by the memo until its pass ends; as a page object of a browser, noted.
    void Join(std::shared_ptr<WalkMemo> memo, PageModel model);

  private:
    // invoke(object, id, deadline) on the member, by its id: resolved by the
    // server unless the model knows it, and then remembered for the model.
    template <class Result, class Invoke>
    platform::Read<Result> OnMember(std::wstring_view member, Invoke invoke);

    RemoteRef<IDispatch> object_;
    Answerer who_;
    Answerer identity_;  // its COM identity, while the object is held; 0 when unknown
    std::shared_ptr<WalkMemo> memo_;
    PageModel model_ = PageModel::Unknown;
};

// IDispatch::Invoke (`assigned`: what a put assigns), retried while the server is busy (a
// put or a method never past the deadline); a server's exception reports its code, so a busy
// server's rejection retries like a channel's.
HRESULT InvokeRetrying(IDispatch* object, DISPID id, WORD kind, DWORD deadline,
                       VARIANT* result = nullptr, VARIANT* assigned = nullptr);

}  // namespace shutterling::win32
