// References to an object made ahead of time on the thread that serves it, so
// that another thread can pass the object to a client without calling into
// that thread, which may be hung: the client's proxy then calls the object's
// own thread directly. The collection passes on browsers on threads of their
// own this way, and a popup its opener's window object when the opener is
// served by another thread.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <wrl/client.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "com_util.h"

namespace sim {

class ReferenceStock {
  public:
    // `askMore` asks the object's thread to Refill; `more` says whether it still should.
    ReferenceStock(IDispatch* object, std::string label, std::function<void()> askMore,
                   std::function<bool()> more)
        : object_(object),
          label_(std::move(label)),
          askMore_(std::move(askMore)),
          more_(std::move(more)) {}

    // On the object's thread: marshals standard references up to the reserve.
    void Refill();
    // Anywhere: one reference, and the object's thread asked for another.
    bool Take(std::string& bytes);
    const std::string& Label() const { return label_; }

  private:
    Microsoft::WRL::ComPtr<IDispatch> object_;
    std::string label_;
    std::function<void()> askMore_;
    std::function<bool()> more_;
    SRWLOCK lock_ = SRWLOCK_INIT;
    // Each carries the references its proxy will own, so passing one on needs
    // no call into the object's thread.
    std::vector<std::string> references_;
};

// What travels in the object's place: marshalled to a client, it writes one of
// the stock's references.
IDispatch* NewForwarder(std::shared_ptr<ReferenceStock> stock);

}  // namespace sim
