// The passes of the judgment that run now, one inside another, and the
// windows they have taken on.
#pragma once

#include <algorithm>
#include <memory>

#include "app/frmMain.h"

namespace shutterling {

// One run of the handler, or a join's marking. Passes that run one inside
// another share the list of windows they have taken on, so however they nest
// one popup is one block, a window one pass let through is not closed by
// another, and a window open at a join is the marking's alone.
class RunningPass {
  public:
    explicit RunningPass(frmMain& form) : form_(form) { ++form_.runningPasses_; }
    ~RunningPass() {
        form_.objBrowser = nullptr;
        if (--form_.runningPasses_ == 0)
            form_.judgedByRunningPasses_.clear();
    }
    RunningPass(const RunningPass&) = delete;
    RunningPass& operator=(const RunningPass&) = delete;

    // Compared by COM identity; the list holds its windows, so an identity
    // cannot be reused by another window while it is compared.
    bool Judged(const platform::BrowserWindow& window) const {
        const auto& judged = form_.judgedByRunningPasses_;
        return std::any_of(judged.begin(), judged.end(), [&](const auto& other) {
            return other->Identity() == window.Identity();
        });
    }
    // Noted before the first call of the block or the mark, which can let another pass in.
    void Claim(std::shared_ptr<platform::BrowserWindow> window) {
        form_.judgedByRunningPasses_.push_back(std::move(window));
    }

  private:
    frmMain& form_;
};

}  // namespace shutterling
