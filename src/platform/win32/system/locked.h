// A critical section, and holding it for a scope. Windows XP has no slim
// reader/writer locks or condition variables; this is what every Windows has.
#pragma once

#include <windows.h>

namespace shutterling::win32 {

class Lock {
  public:
    Lock() { InitializeCriticalSection(&section_); }
    // Never deleted while in use: the one instance lives as long as the process.
    ~Lock() { DeleteCriticalSection(&section_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    void Enter() { EnterCriticalSection(&section_); }
    void Leave() { LeaveCriticalSection(&section_); }

  private:
    CRITICAL_SECTION section_;
};

class Locked {
  public:
    explicit Locked(Lock& lock) : lock_(lock) { lock_.Enter(); }
    ~Locked() { lock_.Leave(); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

  private:
    Lock& lock_;
};

}  // namespace shutterling::win32
