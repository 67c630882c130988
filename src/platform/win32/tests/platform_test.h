// What the Win32 platform tests share: the check that counts failures instead
// of stopping, a scripted late-bound object, VARIANT makers, the message-queue
// helpers and a recorder of the main window's events. platform_test.cpp runs
// the tests, one concern a file, in the order listed at the end.
#pragma once

#include <windows.h>

#include <oaidl.h>
#include <ocidl.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/win32/shell/variants.h"
#include "platform/win32/windows/main_window.h"

namespace shutterling::win32::test {

extern int failures;
extern const char* currentCase;
extern int expectedDpi;  // the DPI the runner gave the prefix

#define CHECK(cond)                                                           \
    do {                                                                      \
        if (!(cond)) {                                                        \
            ++::shutterling::win32::test::failures;                           \
            std::printf("%s:%d: [%s] CHECK(%s) failed\n", __FILE__, __LINE__, \
                        ::shutterling::win32::test::currentCase, #cond);      \
        }                                                                     \
    } while (0)

// A scripted late-bound object: members by case-insensitive name, a record of
// the last call, optional class information. Owned by the test: the count is
// only watched, never acted on.
class TestObject final : public IDispatch, public IProvideClassInfo {
  public:
    std::map<std::wstring, VARIANT> members;  // lower-case names
    std::vector<std::wstring> failing;        // Invoke fails for these
    ComPtr<ITypeInfo> classInfo;              // answered by IProvideClassInfo if set
    ComPtr<ITypeInfo> typeInfo;               // answered by GetTypeInfo if set
    bool typeInfoFails = false;               // offers a type info, whose read fails
    bool provideClassInfo = true;
    WORD lastFlags = 0;
    UINT lastNamedArgs = 0;
    DISPID lastNamedId = 0;
    LCID lastLcid = 0;
    ScopedVariant lastArg;
    LONG refs = 1;
    LONG idLookups = 0;  // GetIDsOfNames calls

    ~TestObject();
    void Set(const std::wstring& name, VARIANT v);

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override;
    // Counted atomically: the calls reach it from worker threads.
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return InterlockedIncrement(&refs); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return InterlockedDecrement(&refs); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetClassInfo(ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID lcid,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT*) noexcept override;
};

VARIANT Vt(VARTYPE type);
VARIANT VtI4(LONG n);
VARIANT VtBstr(const wchar_t* s);

// The main window's events in order; it can refuse one close cause and hide
// the window from its first paint.
class RecordedEvents final : public FormEvents {
  public:
    std::vector<std::string> calls;
    std::int16_t refuseMode = -1;  // the close cause to cancel, -1 none
    MainWindow* hideOnPaint = nullptr;

    void Paint() override {
        calls.push_back("Paint");
        if (hideOnPaint)
            hideOnPaint->Hide();
    }
    void QueryUnload(std::int16_t& cancel, std::int16_t mode) override {
        calls.push_back("QueryUnload " + std::to_string(mode));
        if (mode == refuseMode)
            cancel = 1;
    }
    void Unload() override { calls.push_back("Unload"); }
    void DoneClick() override { calls.push_back("DoneClick"); }
    void PopupsDblClick() override { calls.push_back("PopupsDblClick"); }
    void SafeDblClick() override { calls.push_back("SafeDblClick"); }
    void MenuClick(int id) override { calls.push_back("MenuClick " + std::to_string(id)); }
    void TaskbarCreated() override { calls.push_back("TaskbarCreated"); }
    void Timer() override { calls.push_back("Timer"); }
};

// A reference of the test's own to an object of the test, released at once
// where it goes (the program's own references are released on a worker).
template <class Interface>
RemoteRef<Interface> Ref(Interface* object) {
    object->AddRef();
    return RemoteRef<Interface>(object, [](Interface* p) { p->Release(); });
}
// True once the condition holds, dispatching messages meanwhile; false when
// it still does not after 10 s. For what workers finish after a call returned
// (their releases).
bool Eventually(const std::function<bool()>& condition);

bool CentredOnWorkArea(HWND hwnd);
void Pump();        // dispatches what is queued; a WM_QUIT stays for QuitPosted
bool QuitPosted();  // takes the WM_QUIT off the queue if there is one

// late_bound_test.cpp
void VariantConversion();
void DispatchByName();
void MemberIdsOnce();
// shell_events_test.cpp
void ShellEvents();
// window_walk_test.cpp
void WindowWalkSteps();
void PassEndsWhileACallHangs();
// application_test.cpp
void PathsAndLayout();
// tray_test.cpp
void TrayRecordAndHook();
void TrayMenuAndIcons();
// main_window_test.cpp
void WindowAndCloseCauses();
void Controls();
// about_window_test.cpp
void AboutWindowAndLifetime();
// resources_test.cpp
void ExecutableResources(const char* exePath);
// text_fit_test.cpp
void TextFit();
// remote_calls_test.cpp: last, since it ends with the shut-down of the calls
void RemoteCallsBounded();

}  // namespace shutterling::win32::test
