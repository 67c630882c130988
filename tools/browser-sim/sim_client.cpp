// sim-client: a small client of the shell's window collection, used to prove the
// simulator across processes exactly the way Shutterling.exe reaches it.
//
//   sim-client.exe [--events N] [--timeout MS] [--act] [--vanish] [--filter] [--list]
//                  [--quit TITLE] [--quit-by-id TITLE] [--close TITLE] [--reads TITLE]
//                  [--closed-of TITLE MS] [--page TITLE MS]  |  --taskbar MS
//
// Creates ShellWindows, subscribes to WindowRegistered, prints one line per
// window of each walk (at start and after each event), and with --act closes
// script-opened windows without a menu bar and marks the others (opener="").
// --vanish: it ends after the events without unadvising, like a crash.
// --filter: its own message filter prints each time COM asks it to retry a
// turned-away call. --list: it only counts what the collection hands out,
// touching no window, and ends at once (even releasing a window is a call
// into the browser's thread, which may be hung).
// The actions, in the order given, come after the first walk, each on the
// window whose LocationName is TITLE (client_actions.cpp): IWebBrowser2::Quit
// through the vtable, Quit by its dispatch id through IDispatch::Invoke,
// WM_CLOSE posted to its HWND, a line of its title, menu bar, HWND and opener,
// or its opener's Parent.closed read on another thread and waited for up to
// MS, or its page read so (HWND, Document, the document's class name,
// parentWindow, opener), each answer printed and the read still waited for.
// TITLE "#N" is the Nth window, found without reading any. With --closed-of
// or --page there is no first walk (it reads every window's opener), and a
// read left waiting ends the client without its clean-up. --taskbar: it only
// waits for the shell's TaskbarCreated. A failed read shows "fail" (E_FAIL) or "fail:HRESULT".
#include <windows.h>

#include <exdisp.h>
#include <ocidl.h>
#include <oleauto.h>
#include <shellapi.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>
#include <vector>

#include "client_actions.h"
#include "client_window.h"
#include "com_util.h"

using Microsoft::WRL::ComPtr;
using namespace sim;

namespace {

int g_events = 0;
bool g_act = false;
ComPtr<IShellWindows> g_shell;

void Walk(const char* why) {
    LONG count = -1;
    g_shell->get_Count(&count);
    Print(std::string("walk ") + why + " count=" + std::to_string(count));
    ComPtr<IUnknown> unk;
    HRESULT hr = g_shell->_NewEnum(&unk);
    ComPtr<IEnumVARIANT> items;
    if (FAILED(hr) || FAILED(unk.As(&items))) {
        Print("walk failed hr=" + HexHr(hr));
        return;
    }
    int index = 0;
    for (;;) {
        Variant v;
        ULONG fetched = 0;
        if (items->Next(1, v.Out(), &fetched) != S_OK || fetched != 1)
            break;
        ComPtr<IWebBrowser2> browser;
        IDispatch* item = V_VT(&v.Get()) == VT_DISPATCH ? V_DISPATCH(&v.Get()) : nullptr;
        if (!item) {
            Print("window " + std::to_string(index) + " not-a-browser");
        } else if (HRESULT qi = item->QueryInterface(IID_PPV_ARGS(&browser)); FAILED(qi)) {
            // Late bound, as a script would read it.
            Variant title;
            HRESULT hr = GetMember(item, L"LocationName", title.Out());
            Print("window " + std::to_string(index) + " not-a-browser hr=" + HexHr(qi) +
                  " title=" + (SUCCEEDED(hr) ? Describe(title.Get()) : Failed(hr)));
        } else {
            DescribeWindow(index, browser.Get(), g_act);
        }
        ++index;
    }
    // Item() must agree with the enumerator about the last window.
    if (count > 0) {
        VARIANT i;
        V_VT(&i) = VT_I4;
        V_I4(&i) = count - 1;
        ComPtr<IDispatch> last;
        hr = g_shell->Item(i, &last);
        Print(std::string("item last ") + (hr == S_OK && last ? "ok" : "fail:" + HexHr(hr)));
        V_I4(&i) = count;
        ComPtr<IDispatch> past;
        hr = g_shell->Item(i, &past);
        Print(std::string("item past-end ") +
              (hr == S_FALSE && !past ? "s_false" : "other:" + HexHr(hr)));
    }
}

void List() {
    LONG count = -1;
    g_shell->get_Count(&count);
    Print("walk start count=" + std::to_string(count));
    ComPtr<IUnknown> unk;
    ComPtr<IEnumVARIANT> items;
    if (FAILED(g_shell->_NewEnum(&unk)) || FAILED(unk.As(&items))) {
        Print("walk failed");
        return;
    }
    int listed = 0;
    for (;;) {
        VARIANT v;
        VariantInit(&v);
        ULONG fetched = 0;
        if (items->Next(1, &v, &fetched) != S_OK || fetched != 1)
            break;
        ++listed;  // kept, never released
    }
    Print("listed " + std::to_string(listed));
}

class Sink final : public IDispatch {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kDIID_DShellWindowsEvents) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) noexcept override {
        *n = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                            DISPID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                     EXCEPINFO*, UINT*) noexcept override {
        if (id != kDispidWindowRegistered)
            return S_OK;
        std::string arg = "?";
        if (params && params->cArgs == 1 && V_VT(&params->rgvarg[0]) == VT_I4)
            arg = std::to_string(V_I4(&params->rgvarg[0]));
        Print("event WindowRegistered cookie=" + arg +
              " args=" + std::to_string(params ? params->cArgs : 0) +
              ((GetKeyState(VK_CONTROL) & 0x8000) ? " ctrl=down" : " ctrl=up"));
        ++g_events;
        Walk("event");
        return S_OK;
    }

  private:
    RefCount refs_;
};

// Asked by COM, where it does ask, whether to retry a call the server turned away.
class RetryFilter final : public IMessageFilter {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        return QueryOne<IMessageFilter>(this, riid, IID_IMessageFilter, out);
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD,
                                               LPINTERFACEINFO) noexcept override {
        return SERVERCALL_ISHANDLED;
    }
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD elapsed,
                                              DWORD rejectType) noexcept override {
        Print("retry-rejected type=" + std::to_string(rejectType) +
              " elapsed=" + std::to_string(elapsed));
        return elapsed < 10000 ? 100 : DWORD(-1);  // again in 100 ms, for up to 10 s
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) noexcept override {
        return PENDINGMSG_WAITDEFPROCESS;
    }

  private:
    RefCount refs_;
};

}  // namespace

int main() {
    int wantEvents = 0;
    bool vanish = false, filter = false, list = false;
    std::vector<Action> actions;
    bool noWalk = false;
    DWORD taskbarMs = 0;
    DWORD timeout = 30000;
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    for (int i = 1; i < argc; ++i) {
        std::wstring a = argv[i];
        if (a == L"--events" && i + 1 < argc)
            wantEvents = _wtoi(argv[++i]);
        else if (a == L"--timeout" && i + 1 < argc)
            timeout = DWORD(_wtoi(argv[++i]));
        else if (a == L"--act")
            g_act = true;
        else if (a == L"--vanish")
            vanish = true;
        else if (a == L"--filter")
            filter = true;
        else if (a == L"--list")
            list = true;
        else if ((a == L"--quit" || a == L"--quit-by-id" || a == L"--close" || a == L"--reads") &&
                 i + 1 < argc)
            actions.push_back({a, argv[++i]});
        else if (a == L"--taskbar" && i + 1 < argc)
            taskbarMs = DWORD(_wtoi(argv[++i]));
        else if ((a == L"--closed-of" || a == L"--page") && i + 2 < argc) {
            actions.push_back({a, argv[i + 1], DWORD(_wtoi(argv[i + 2]))});
            noWalk = true;
            i += 2;
        }
    }
    LocalFree(argv);
    if (taskbarMs)
        return AwaitTaskbarCreated(taskbarMs) ? 0 : 1;

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (filter) {
        auto* f = new RetryFilter();
        CoRegisterMessageFilter(f, nullptr);
        f->Release();
    }
    HRESULT hr = CoCreateInstance(kCLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&g_shell));
    if (FAILED(hr)) {
        Print("create failed hr=" + HexHr(hr));
        CoUninitialize();
        return 2;
    }
    Print("created");
    if (list) {
        List();
        TerminateProcess(GetCurrentProcess(), 0);
    }
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    DWORD cookie = 0;
    auto* sink = new Sink();
    if (FAILED(hr = g_shell.As(&container)) ||
        FAILED(hr = container->FindConnectionPoint(kDIID_DShellWindowsEvents, &point)) ||
        FAILED(hr = point->Advise(sink, &cookie))) {
        Print("advise failed hr=" + HexHr(hr));
    } else {
        Print("advised");
    }
    sink->Release();
    if (!noWalk)
        Walk("start");
    bool stuck = false;
    for (const Action& action : actions)
        stuck = !RunAction(g_shell.Get(), action) || stuck;

    DWORD start = GetTickCount();
    bool timedOut = false;
    while (g_events < wantEvents) {
        if (GetTickCount() - start > timeout) {
            timedOut = true;
            break;
        }
        MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (vanish) {
        Print("vanish");
        TerminateProcess(GetCurrentProcess(), 0);
    }
    if (point) {
        hr = point->Unadvise(cookie);
        Print("unadvised hr=" + HexHr(hr));
    }
    // Releasing what reaches a browser that never answered would wait for it too.
    if (stuck) {
        Print("done");
        TerminateProcess(GetCurrentProcess(), 0);
    }
    point.Reset();
    container.Reset();
    g_shell.Reset();
    CoUninitialize();
    Print(timedOut ? "timeout" : "done");
    return timedOut ? 1 : 0;
}
