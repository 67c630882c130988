// libstdc++'s error paths, replaced for Shutterling.exe alone. The library's own
// versions drag in its verbose terminate handler with the whole C++ demangler, and
// the std::logic_error family with a second, copy-on-write string implementation:
// about 120 KB of a static MinGW link. The replacements still throw, so every
// catch of the program behaves as before: allocation failures stay std::bad_alloc
// (a request beyond max_size() is one), the rest a small std::exception.
#include <cstdlib>
#include <exception>
#include <new>

namespace {

[[noreturn]] void ThrowLibraryError() {
    struct LibraryError : std::exception {
        const char* what() const noexcept override { return "library error"; }
    };
    throw LibraryError{};
}

}  // namespace

namespace __gnu_cxx {
// std::terminate's default handler: end at once, without printing a demangled type.
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx

namespace std {
void __throw_bad_alloc() {
    throw std::bad_alloc();
}
void __throw_bad_array_new_length() {
    throw std::bad_alloc();
}
void __throw_length_error(const char*) {
    throw std::bad_alloc();
}
void __throw_bad_exception() {
    ThrowLibraryError();
}
void __throw_bad_cast() {
    ThrowLibraryError();
}
void __throw_bad_typeid() {
    ThrowLibraryError();
}
void __throw_logic_error(const char*) {
    ThrowLibraryError();
}
void __throw_domain_error(const char*) {
    ThrowLibraryError();
}
void __throw_invalid_argument(const char*) {
    ThrowLibraryError();
}
void __throw_out_of_range(const char*) {
    ThrowLibraryError();
}
void __throw_out_of_range_fmt(const char*, ...) {
    ThrowLibraryError();
}
void __throw_runtime_error(const char*) {
    ThrowLibraryError();
}
void __throw_range_error(const char*) {
    ThrowLibraryError();
}
void __throw_overflow_error(const char*) {
    ThrowLibraryError();
}
void __throw_underflow_error(const char*) {
    ThrowLibraryError();
}
}  // namespace std
