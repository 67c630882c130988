// A critical section, held for a scope by std::lock_guard.
// The toolchain's win32-threads library has no std::mutex (GCC 12), and later
// ones make it of slim reader/writer locks, which Windows XP does not have;
// a critical section every Windows has.
#pragma once

#include <windows.h>

#include <mutex>

namespace shutterling::win32 {

class Lock {
  public:
    Lock() { InitializeCriticalSection(&section_); }
    // Never deleted while in use: the one instance lives as long as the process.
    ~Lock() { DeleteCriticalSection(&section_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    void lock() { EnterCriticalSection(&section_); }
    void unlock() { LeaveCriticalSection(&section_); }

  private:
    CRITICAL_SECTION section_;
};

using Locked = std::lock_guard<Lock>;

}  // namespace shutterling::win32
