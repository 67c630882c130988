// The one RAII owner of the Win32 layer's handles (files, keys, fonts, the
// instance mutex). Free of <windows.h>: a Traits type names the handle, its
// invalid value and how to close it.
#pragma once

#include <utility>

namespace shutterling::win32 {

namespace detail {

// One owner per handle; Traits gives the handle type, its invalid value and
// how to close it.
template <typename Traits>
class UniqueHandle {
  public:
    using Handle = typename Traits::Handle;
    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) : h_(h) {}
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~UniqueHandle() { reset(); }

    Handle get() const { return h_; }
    explicit operator bool() const { return h_ != Traits::Invalid(); }
    Handle* put() {
        reset();
        return &h_;
    }
    Handle release() { return std::exchange(h_, Traits::Invalid()); }
    // Returns whether closing succeeded (true when there was nothing to close).
    bool reset(Handle h = Traits::Invalid()) {
        const Handle old = std::exchange(h_, h);
        return old == Traits::Invalid() || Traits::Close(old);
    }

  private:
    Handle h_ = Traits::Invalid();
};

}  // namespace detail

}  // namespace shutterling::win32
