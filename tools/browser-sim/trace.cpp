#include "trace.h"

#include <exdisp.h>
#include <objbase.h>
#include <ocidl.h>

#include <utility>

#include "com_util.h"
#include "sim_log.h"
#include "window.h"

namespace sim {
namespace {

std::string Field(const char* key, std::wstring_view value) {
    return std::string(key) + "=" + Utf8(value);
}

// With --trace, logs every call that reaches this process through COM, those
// the COM runtime makes for the client (QueryInterface, Release, type
// information) included, so a measurement can count the client's round trips.
class CallCounter final : public IChannelHook {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        return QueryOne<IChannelHook>(this, riid, IID_IChannelHook, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }
    void STDMETHODCALLTYPE ClientGetSize(REFGUID, REFIID, ULONG* size) noexcept override {
        *size = 0;
    }
    void STDMETHODCALLTYPE ClientFillBuffer(REFGUID, REFIID, ULONG* size, void*) noexcept override {
        *size = 0;
    }
    void STDMETHODCALLTYPE ClientNotify(REFGUID, REFIID, ULONG, void*, DWORD,
                                        HRESULT) noexcept override {}
    void STDMETHODCALLTYPE ServerNotify(REFGUID, REFIID riid, ULONG, void*,
                                        DWORD) noexcept override {
        Log::Get().Write("rpc", "iid=" + Name(riid));
    }
    void STDMETHODCALLTYPE ServerGetSize(REFGUID, REFIID, HRESULT, ULONG* size) noexcept override {
        *size = 0;
    }
    void STDMETHODCALLTYPE ServerFillBuffer(REFGUID, REFIID, ULONG* size, void*,
                                            HRESULT) noexcept override {
        *size = 0;
    }

  private:
    static std::string Name(REFIID riid) {
        static const std::pair<GUID, const char*> kKnown[] = {
            {IID_IWebBrowser2, "IWebBrowser2"},
            {IID_IDispatch, "IDispatch"},
            {IID_IEnumVARIANT, "IEnumVARIANT"},
            {IID_IShellWindows, "IShellWindows"},
            {IID_ITypeInfo, "ITypeInfo"},
            {IID_IProvideClassInfo, "IProvideClassInfo"},
            {IID_IConnectionPoint, "IConnectionPoint"},
            {IID_IConnectionPointContainer, "IConnectionPointContainer"},
            {IID_IClassFactory, "IClassFactory"},
            {IID_IUnknown, "IUnknown"}};
        for (const auto& [iid, name] : kKnown) {
            if (IsEqualGUID(iid, riid))
                return name;
        }
        wchar_t text[40] = {};
        StringFromGUID2(riid, text, 40);
        return Utf8(text);
    }
};

// Any GUID of our own names the hook's extent; no data travels with it.
constexpr GUID kCallCounterExtent = {
    0x3f0a6c21, 0x55b8, 0x4d4e, {0x9a, 0x17, 0x6b, 0x2e, 0x90, 0x41, 0xc3, 0x5d}};

}  // namespace

void TraceRead(const BrowserWindow& w, const char* member, HRESULT hr, const std::string& value) {
    if (Log::Get().Tracing())
        Log::Get().Write("read", Field("window", w.name) + " member=" + member + " hr=" + Hex(hr) +
                                     (value.empty() ? "" : " value=" + value));
}

void TraceCalls() {
    static CallCounter counter;
    CoRegisterChannelHook(kCallCounterExtent, &counter);
}

}  // namespace sim
