// The advapi32 calls of start-with-Windows registration, in ANSI form.
#pragma once

#include <cstdint>
#include <string>

namespace shutterling::platform {

inline constexpr std::uintptr_t kHkeyCurrentUser = 0x80000001u;
inline constexpr std::uint32_t kKeyWrite = 0x20006u;
inline constexpr std::uint32_t kRegSz = 1;

class Registry {
  public:
    using Key = std::uintptr_t;
    virtual ~Registry() = default;
    // Returns the error code (0 = success) and sets key on success.
    virtual long RegOpenKeyExA(Key root, const std::string& subKey, std::uint32_t options,
                               std::uint32_t access, Key& key) = 0;
    // Passes the first length bytes of data (never more than data holds).
    virtual long RegSetValueExA(Key key, const std::string& name, std::uint32_t type,
                                const std::string& data, std::uint32_t length) = 0;
    virtual long RegDeleteValueA(Key key, const std::string& name) = 0;
    virtual long RegCloseKey(Key key) = 0;
};

}  // namespace shutterling::platform
