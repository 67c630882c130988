// The Win32 layer on a real (Wine) Windows: conversions, the COM glue against
// scripted COM objects, the window's close causes, the controls' limits, and
// the resources as linked into Shutterling.exe (its path is the argument).
// This file runs the tests of the other files and holds what they share.
#include "platform_test.h"

#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <functional>
#include <iterator>

namespace shutterling::win32::test {

int failures = 0;
const char* currentCase = "";
int expectedDpi = 96;

TestObject::~TestObject() {
    for (auto& m : members)
        VariantClear(&m.second);
}

void TestObject::Set(const std::wstring& name, VARIANT v) {
    VariantClear(&members[name]);
    members[name] = v;
}

HRESULT STDMETHODCALLTYPE TestObject::QueryInterface(REFIID riid, void** out) noexcept {
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *out = static_cast<IDispatch*>(this);
    } else if (riid == IID_IProvideClassInfo && provideClassInfo) {
        *out = static_cast<IProvideClassInfo*>(this);
    } else {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestObject::GetTypeInfoCount(UINT* n) noexcept {
    *n = typeInfo || typeInfoFails ? 1 : 0;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestObject::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
    *info = typeInfo.Get();
    if (typeInfoFails)
        return TYPE_E_ELEMENTNOTFOUND;
    if (!typeInfo)
        return E_NOTIMPL;
    typeInfo->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestObject::GetClassInfo(ITypeInfo** info) noexcept {
    *info = classInfo.Get();
    if (!classInfo)
        return E_FAIL;
    classInfo->AddRef();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE TestObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID lcid,
                                                    DISPID* ids) noexcept {
    lastLcid = lcid;
    InterlockedIncrement(&idLookups);
    std::wstring name(names[0]);
    for (auto& ch : name)
        ch = towlower(ch);
    DISPID id = 1;
    for (const auto& m : members) {
        if (m.first == name) {
            *ids = id;
            return S_OK;
        }
        ++id;
    }
    *ids = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT STDMETHODCALLTYPE TestObject::Invoke(DISPID id, REFIID, LCID, WORD flags,
                                             DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                                             UINT*) noexcept {
    if (id < 1 || id > static_cast<DISPID>(members.size()))
        return DISP_E_MEMBERNOTFOUND;
    auto it = members.begin();
    std::advance(it, id - 1);
    lastFlags = flags;
    lastNamedArgs = params->cNamedArgs;
    lastNamedId = params->cNamedArgs ? params->rgdispidNamedArgs[0] : 0;
    for (const auto& name : failing) {
        if (name == it->first)
            return DISP_E_EXCEPTION;
    }
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        VariantCopy(lastArg.get(), &params->rgvarg[0]);
        VariantClear(&it->second);
        VariantCopy(&it->second, &params->rgvarg[0]);
        return S_OK;
    }
    return result ? VariantCopy(result, &it->second) : S_OK;
}

VARIANT Vt(VARTYPE type) {
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = type;
    return v;
}
VARIANT VtI4(LONG n) {
    VARIANT v = Vt(VT_I4);
    V_I4(&v) = n;
    return v;
}
VARIANT VtBstr(const wchar_t* s) {
    VARIANT v = Vt(VT_BSTR);
    V_BSTR(&v) = s ? SysAllocString(s) : nullptr;
    return v;
}

// Within two pixels: an odd difference cannot be halved exactly.
bool CentredOnWorkArea(HWND hwnd) {
    RECT r;
    GetWindowRect(hwnd, &r);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTOPRIMARY), &mi);
    return std::abs((r.left + r.right) - (mi.rcWork.left + mi.rcWork.right)) <= 2 &&
           std::abs((r.top + r.bottom) - (mi.rcWork.top + mi.rcWork.bottom)) <= 2;
}

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchMessageW(&msg);
    }
}

bool Eventually(const std::function<bool()>& condition) {
    const DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start > 10000)
            return false;
        Pump();
        Sleep(5);
    }
    return true;
}

bool QuitPosted() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
}

}  // namespace shutterling::win32::test

using namespace shutterling::win32::test;

int main(int argc, char** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    shutterling::win32::RemoteCalls::Get();  // this thread receives the shell's events
    const struct {
        const char* name;
        std::function<void()> run;
    } tests[] = {
        {"VariantConversion", VariantConversion},
        {"DispatchByName", DispatchByName},
        {"MemberIdsOnce", MemberIdsOnce},
        {"ShellEvents", ShellEvents},
        {"WindowWalkSteps", WindowWalkSteps},
        {"PassEndsWhileACallHangs", PassEndsWhileACallHangs},
        {"PathsAndLayout", PathsAndLayout},
        {"TrayRecordAndHook", TrayRecordAndHook},
        {"WindowAndCloseCauses", WindowAndCloseCauses},
        {"TrayMenuAndIcons", TrayMenuAndIcons},
        {"Controls", Controls},
        {"AboutWindowAndLifetime", AboutWindowAndLifetime},
        {"ExecutableResources",
         [&] { ExecutableResources(argc > 1 ? argv[1] : "Shutterling.exe"); }},
        {"TextFit", TextFit},
        {"RemoteCallsBounded", RemoteCallsBounded},
    };
    // "--text-fit DPI": only the captions, in a prefix set to that DPI.
    const bool fitOnly = argc > 3 && std::strcmp(argv[2], "--text-fit") == 0;
    if (fitOnly)
        expectedDpi = std::atoi(argv[3]);
    for (const auto& t : tests) {
        if (fitOnly && std::strcmp(t.name, "TextFit") != 0)
            continue;
        const int before = failures;
        t.run();
        std::printf("%s %s\n", failures == before ? "[  OK  ]" : "[ FAIL ]", t.name);
    }
    CoUninitialize();
    std::printf("%d failure(s)\n", failures);
    return failures == 0 ? 0 : 1;
}
