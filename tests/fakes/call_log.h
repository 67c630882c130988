// Every call a fake receives, in order, as one line of text, so tests can
// assert sequences across the whole fake platform.
#pragma once

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace shutterling::fakes {

class CallLog {
  public:
    bool enabled = true;                    // off for bulk tests that would log millions of lines
    bool brief = false;                     // the shell's brief waits are on
    std::vector<std::string> briefEntries;  // what was called while they were
    void Add(std::string entry) {
        if (brief && enabled)
            briefEntries.push_back(entry);
        if (enabled)
            entries_.push_back(std::move(entry));
        if (nest_ && --callsBeforeNest_ < 0) {
            // The apartment's modal loop runs another handler while this call waits.
            auto nested = std::move(nest_);
            nest_ = nullptr;
            nested();
        }
    }
    // Runs action inside the call that logs the entry after `calls` more
    // entries (0: the next one), the way an event of the shell arrives inside
    // any outgoing COM call. Logging must stay enabled to count.
    void NestInside(int calls, std::function<void()> action) {
        callsBeforeNest_ = calls;
        nest_ = std::move(action);
    }
    const std::vector<std::string>& Entries() const { return entries_; }
    void Clear() { entries_.clear(); }
    // Index of the first entry that starts with prefix, or -1.
    int Find(const std::string& prefix) const {
        auto it = std::find_if(entries_.begin(), entries_.end(),
                               [&](const std::string& e) { return e.rfind(prefix, 0) == 0; });
        return it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
    }
    // Where each prefix first appears; each must be present.
    std::vector<int> Positions(const std::vector<std::string>& prefixes) const {
        std::vector<int> at;
        for (const auto& prefix : prefixes) {
            at.push_back(Find(prefix));
            EXPECT_GE(at.back(), 0) << prefix;
        }
        return at;
    }
    int Count(const std::string& prefix) const {
        return static_cast<int>(
            std::count_if(entries_.begin(), entries_.end(),
                          [&](const std::string& e) { return e.rfind(prefix, 0) == 0; }));
    }

  private:
    std::vector<std::string> entries_;
    std::function<void()> nest_;
    int callsBeforeNest_ = 0;
};

// Narrow text for log lines; tests only use ASCII titles in logs.
inline std::string Narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w)
        s.push_back(c < 128 ? static_cast<char>(c) : '?');
    return s;
}

}  // namespace shutterling::fakes
