// The simulator's event log: one line per event, "<ms> <event> <fields...>",
// written through at once so shell scripts can poll it while the run goes on.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace sim {

class Log {
  public:
    static Log& Get();
    bool Open(const std::wstring& path);
    // Milliseconds since the simulator started, as printed in the log.
    double Now() const;
    void Write(std::string_view event, std::string_view fields = {});
    void SetTrace(bool on) { trace_ = on; }
    bool Tracing() const { return trace_; }

  private:
    Log();
    HANDLE file_ = INVALID_HANDLE_VALUE;
    CRITICAL_SECTION lock_;
    LARGE_INTEGER start_{}, freq_{};
    bool trace_ = false;
};

// A field value in double quotes, with quotes, backslashes and line breaks escaped.
std::string Quote(std::wstring_view text);
std::string Hex(unsigned long value);

}  // namespace sim
