// Small COM helpers shared by the simulated shell and its test client.
#pragma once

#include <oleauto.h>
#include <windows.h>

#include <string>
#include <string_view>
#include <utility>

#include "platform/win32/shell/shell_guids.h"

namespace sim {

// The shell's identities, exactly as the program declares them.
using shutterling::win32::kCLSID_ShellWindows;
using shutterling::win32::kDIID_DShellWindowsEvents;
using shutterling::win32::kDispidWindowRegistered;

// The private class the test prefix's TreatAs entry for ShellWindows points at.
// {6C1D3A52-9B0E-4F7A-8E31-2D5B7C9A4E10}
inline constexpr GUID kClsidSimShell = {
    0x6c1d3a52, 0x9b0e, 0x4f7a, {0x8e, 0x31, 0x2d, 0x5b, 0x7c, 0x9a, 0x4e, 0x10}};

inline constexpr GUID kLibidShDocVw = {
    0xeab22ac0, 0x30c1, 0x11cf, {0xa7, 0xeb, 0x00, 0x00, 0xc0, 0x5b, 0xae, 0x0b}};
// The class the browser's HTML documents report.
inline constexpr GUID kClsidHtmlDocument = {
    0x25336920, 0x03f9, 0x11cf, {0x8f, 0xd0, 0x00, 0xaa, 0x00, 0x68, 0x6f, 0x13}};

// Owns one BSTR.
class Bstr {
  public:
    Bstr() = default;
    explicit Bstr(std::wstring_view s) : p_(SysAllocStringLen(s.data(), UINT(s.size()))) {}
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    Bstr(Bstr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~Bstr() { SysFreeString(p_); }
    BSTR* Out() {
        SysFreeString(p_);
        p_ = nullptr;
        return &p_;
    }
    BSTR Get() const { return p_; }
    BSTR Detach() { return std::exchange(p_, nullptr); }
    std::wstring Str() const { return p_ ? std::wstring(p_, SysStringLen(p_)) : std::wstring(); }

  private:
    BSTR p_ = nullptr;
};

// Owns one VARIANT.
class Variant {
  public:
    Variant() { VariantInit(&v_); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;
    ~Variant() { VariantClear(&v_); }
    VARIANT* Out() {
        VariantClear(&v_);
        return &v_;
    }
    VARIANT& Get() { return v_; }
    const VARIANT& Get() const { return v_; }

  private:
    VARIANT v_;
};

// The reference count shared by every object of ours; objects start at one.
class RefCount {
  public:
    ULONG Add() { return ULONG(InterlockedIncrement(&n_)); }
    ULONG Drop() { return ULONG(InterlockedDecrement(&n_)); }

  private:
    LONG n_ = 1;
};

// AddRef and Release of an object that lives on the heap and deletes itself
// when the last reference goes.
#define SIM_SELF_DELETING_REFCOUNT(refs)                  \
    ULONG STDMETHODCALLTYPE AddRef() noexcept override {  \
        return refs.Add();                                \
    }                                                     \
    ULONG STDMETHODCALLTYPE Release() noexcept override { \
        ULONG n = refs.Drop();                            \
        if (n == 0)                                       \
            delete this;                                  \
        return n;                                         \
    }

// QueryInterface of an object that offers one interface besides IUnknown.
template <class Interface>
HRESULT QueryOne(Interface* self, REFIID riid, REFIID offered, void** out) {
    if (!out)
        return E_POINTER;
    if (riid != IID_IUnknown && riid != offered) {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    *out = self;
    self->AddRef();
    return S_OK;
}

// A member of an interface that the simulator does not implement.
#define SIM_NOTIMPL(name, ...)                                      \
    HRESULT STDMETHODCALLTYPE name(__VA_ARGS__) noexcept override { \
        return E_NOTIMPL;                                           \
    }

inline std::string Utf8(std::wstring_view w) {
    if (w.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

inline std::wstring Wide(std::string_view s) {
    if (s.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), w.data(), n);
    return w;
}

}  // namespace sim
