// The popups this program has asked to close, for as long as the shell's
// collection still holds them. A popup can outlive its close request (its page
// asks whether to leave and the user stays, its browser is slow to tear it
// down, a tab refuses to quit), and the opener mark is never set on it: without
// this record every later event would take it for a new popup and beep, list,
// count and close it once more.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/shell.h"

namespace shutterling::watcher {

class ClosingWindows {
  public:
    // Compared by COM identity: the record holds its windows, so an identity
    // cannot be taken by another window while it is in here.
    bool Has(const platform::BrowserWindow& window) const {
        const auto id = window.Identity();
        return std::any_of(entries_.begin(), entries_.end(),
                           [&](const Entry& e) { return e.window->Identity() == id; });
    }
    void Add(std::shared_ptr<platform::BrowserWindow> window) {
        entries_.push_back({std::move(window), ++added_});
    }

    // One walk over the whole collection: the windows it met stay, the rest
    // are gone from the shell and are let go. A window added after the walk
    // began (by a pass nested in it) may be one it passed already: it stays.
    class Census {
      public:
        explicit Census(ClosingWindows& record) : record_(record), since_(record.added_) {}
        // True when the window was asked to close: the walk has nothing to ask it.
        bool Met(const platform::BrowserWindow& window) {
            if (!record_.Has(window))
                return false;
            met_.push_back(window.Identity());
            return true;
        }
        // Only once the walk has reached the collection's end.
        void Close() const {
            auto& entries = record_.entries_;
            entries.erase(std::remove_if(entries.begin(), entries.end(),
                                         [&](const Entry& e) {
                                             return e.added <= since_ &&
                                                    std::find(met_.begin(), met_.end(),
                                                              e.window->Identity()) == met_.end();
                                         }),
                          entries.end());
        }

      private:
        ClosingWindows& record_;
        std::uint64_t since_;
        std::vector<std::uintptr_t> met_;
    };

    std::size_t size() const { return entries_.size(); }
    void clear() { entries_.clear(); }

  private:
    struct Entry {
        std::shared_ptr<platform::BrowserWindow> window;
        std::uint64_t added;
    };
    std::vector<Entry> entries_;
    std::uint64_t added_ = 0;
};

}  // namespace shutterling::watcher
