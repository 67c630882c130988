#include "type_info.h"

#include <cstring>
#include <map>
#include <utility>

#include "com_util.h"

namespace sim {
namespace {

// Windows on threads of their own ask from their threads too.
SRWLOCK g_lock = SRWLOCK_INIT;

class Locked {
  public:
    Locked() { AcquireSRWLockExclusive(&g_lock); }
    ~Locked() { ReleaseSRWLockExclusive(&g_lock); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;
};

}  // namespace

ITypeInfo* ShDocVwInfo(REFIID iid) {
    static std::map<GUID, ComPtr<ITypeInfo>, decltype([](const GUID& a, const GUID& b) {
                        return memcmp(&a, &b, sizeof a) < 0;
                    })>
        cache;
    Locked locked;
    auto& slot = cache[iid];
    if (!slot) {
        ComPtr<ITypeLib> lib;
        if (SUCCEEDED(LoadRegTypeLib(kLibidShDocVw, 1, 1, 0, &lib)))
            lib->GetTypeInfoOfGuid(iid, &slot);
    }
    return slot.Get();
}

HRESULT ClassTypeInfo(const std::wstring& name, ComPtr<ITypeInfo>& out) {
    // One per apartment: each keeps the stub of its own for the whole run.
    static std::map<std::pair<DWORD, std::wstring>, ComPtr<ITypeInfo>> cache;
    Locked locked;
    auto& slot = cache[{GetCurrentThreadId(), name}];
    if (!slot) {
        ComPtr<ICreateTypeLib2> lib;
        HRESULT hr = CreateTypeLib2(SYS_WIN32, L"browser-sim-documents.tlb", &lib);
        if (FAILED(hr))
            return hr;
        ComPtr<ICreateTypeInfo> info;
        hr = lib->CreateTypeInfo(const_cast<LPOLESTR>(name.c_str()), TKIND_COCLASS, &info);
        if (FAILED(hr))
            return hr;
        GUID guid = kClsidHtmlDocument;
        if (name != L"HTMLDocument")
            CoCreateGuid(&guid);
        info->SetGuid(guid);
        info->LayOut();
        hr = info.As(&slot);
        if (FAILED(hr))
            return hr;
        // Keep one stub for the shared type info for the whole run: every
        // document hands it out, and clients release it between calls.
        CoLockObjectExternal(slot.Get(), TRUE, FALSE);
    }
    out = slot;
    return S_OK;
}

}  // namespace sim
