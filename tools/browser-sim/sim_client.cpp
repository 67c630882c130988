// sim-client: a small client of the shell's window collection, used to prove the
// simulator across processes exactly the way Shutterling.exe reaches it.
//
//   sim-client.exe [--events N] [--timeout MS] [--act] [--vanish]
//
// Creates ShellWindows, subscribes to WindowRegistered, prints one line per
// window of each walk (at start and after each event), and with --act closes
// script-opened windows without a menu bar and marks the others (opener="").
// With --vanish it ends after the events without unadvising, like a crash.
#include <windows.h>

#include <exdisp.h>
#include <ocidl.h>
#include <oleauto.h>
#include <shellapi.h>
#include <wrl/client.h>

#include <cstdio>
#include <string>

#include "com_util.h"

using Microsoft::WRL::ComPtr;
using namespace sim;

namespace {

int g_events = 0;
bool g_act = false;
ComPtr<IShellWindows> g_shell;

void Print(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string HexHr(HRESULT hr) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lx", static_cast<unsigned long>(hr));
    return buf;
}

HRESULT GetMember(IDispatch* obj, const wchar_t* name, VARIANT* out) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    HRESULT hr = obj->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET | DISPATCH_METHOD,
                       &none, out, nullptr, nullptr);
}

HRESULT PutMember(IDispatch* obj, const wchar_t* name, VARIANT value) {
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR n = const_cast<LPOLESTR>(name);
    HRESULT hr = obj->GetIDsOfNames(IID_NULL, &n, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr))
        return hr;
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&value, &named, 1, 1};
    return obj->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr,
                       nullptr, nullptr);
}

std::string TypeName(ITypeInfo* info) {
    Bstr name;
    if (!info ||
        FAILED(info->GetDocumentation(MEMBERID_NIL, name.Out(), nullptr, nullptr, nullptr)))
        return "?";
    return Utf8(name.Str());
}

// The class name both ways a client may ask: IProvideClassInfo and GetTypeInfo.
std::string ClassNames(IDispatch* doc) {
    std::string viaClassInfo = "none", viaTypeInfo = "none";
    ComPtr<IProvideClassInfo> pci;
    if (SUCCEEDED(doc->QueryInterface(IID_PPV_ARGS(&pci)))) {
        ComPtr<ITypeInfo> info;
        HRESULT hr = pci->GetClassInfo(&info);
        viaClassInfo = SUCCEEDED(hr) ? TypeName(info.Get()) : "fail:" + HexHr(hr);
    }
    ComPtr<ITypeInfo> info;
    HRESULT hr = doc->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info);
    viaTypeInfo = SUCCEEDED(hr) ? TypeName(info.Get()) : "fail:" + HexHr(hr);
    return "classinfo=" + viaClassInfo + " typeinfo=" + viaTypeInfo;
}

std::string Describe(const VARIANT& v) {
    switch (V_VT(&v)) {
        case VT_EMPTY:
            return "empty";
        case VT_NULL:
            return "null";
        case VT_BSTR:
            return "string:\"" + Utf8(V_BSTR(&v) ? V_BSTR(&v) : L"") + "\"";
        case VT_DISPATCH:
            return V_DISPATCH(&v) ? "object" : "nothing";
        case VT_BOOL:
            return V_BOOL(&v) ? "true" : "false";
        default:
            return "vt" + std::to_string(V_VT(&v));
    }
}

template <class T, class F>
std::string Prop(F&& read, std::string (*show)(T)) {
    T value{};
    HRESULT hr = read(&value);
    return SUCCEEDED(hr) ? show(value) : "fail";
}

std::string ShowBool(VARIANT_BOOL b) {
    return b ? "yes" : "no";
}
std::string ShowLong(LONG n) {
    return std::to_string(n);
}

void DescribeWindow(int index, IWebBrowser2* browser) {
    std::string line = "window " + std::to_string(index);
    Bstr title;
    HRESULT hr = browser->get_LocationName(title.Out());
    line += " title=" + (SUCCEEDED(hr) ? "\"" + Utf8(title.Str()) + "\"" : std::string("fail"));
    line += " menubar=" +
            Prop<VARIANT_BOOL>([&](VARIANT_BOOL* v) { return browser->get_MenuBar(v); }, ShowBool);
    line +=
        " fullscreen=" +
        Prop<VARIANT_BOOL>([&](VARIANT_BOOL* v) { return browser->get_FullScreen(v); }, ShowBool);
    line += " width=" + Prop<LONG>([&](LONG* v) { return browser->get_Width(v); }, ShowLong);
    line += " height=" + Prop<LONG>([&](LONG* v) { return browser->get_Height(v); }, ShowLong);
    SHANDLE_PTR hwnd = 0;
    hr = browser->get_HWND(&hwnd);
    if (SUCCEEDED(hr)) {
        WINDOWPLACEMENT wp{};
        wp.length = sizeof wp;
        if (GetWindowPlacement(reinterpret_cast<HWND>(hwnd), &wp)) {
            const RECT& r = wp.rcNormalPosition;
            line += " restored=" + std::to_string(r.right - r.left) + "x" +
                    std::to_string(r.bottom - r.top);
            line += wp.showCmd == SW_SHOWMAXIMIZED ? " maximized=yes" : " maximized=no";
        } else {
            line += " restored=fail";
        }
    } else {
        line += " hwnd=fail";
    }
    ComPtr<IDispatch> doc;
    hr = browser->get_Document(&doc);
    if (FAILED(hr)) {
        Print(line + " document=fail");
        return;
    }
    if (!doc) {
        Print(line + " document=none");
        return;
    }
    line += " " + ClassNames(doc.Get());
    Variant win, opener, parent, closed;
    hr = GetMember(doc.Get(), L"PARENTWINDOW", win.Out());
    bool scriptOpened = false;
    if (FAILED(hr) || V_VT(&win.Get()) != VT_DISPATCH || !V_DISPATCH(&win.Get())) {
        line += " parentwindow=fail";
    } else if (FAILED(GetMember(V_DISPATCH(&win.Get()), L"opener", opener.Out()))) {
        line += " opener=fail";
    } else {
        line += " opener=" + Describe(opener.Get());
        scriptOpened = V_VT(&opener.Get()) == VT_DISPATCH;
        if (scriptOpened && V_DISPATCH(&opener.Get())) {
            if (FAILED(GetMember(V_DISPATCH(&opener.Get()), L"Parent", parent.Out())) ||
                V_VT(&parent.Get()) != VT_DISPATCH || !V_DISPATCH(&parent.Get())) {
                line += " parent=fail";
            } else {
                hr = GetMember(V_DISPATCH(&parent.Get()), L"Closed", closed.Out());
                line += " closed=" + (SUCCEEDED(hr) ? Describe(closed.Get()) : std::string("fail"));
            }
        }
    }
    Print(line);
    if (!g_act || !scriptOpened)
        return;
    VARIANT_BOOL menubar = VARIANT_TRUE;
    if (SUCCEEDED(browser->get_MenuBar(&menubar)) && !menubar &&
        SUCCEEDED(hr = browser->get_HWND(&hwnd))) {
        PostMessageA(reinterpret_cast<HWND>(hwnd), WM_CLOSE, 0, 0);
        Print("act close " + std::to_string(index));
    } else {
        VARIANT empty;
        V_VT(&empty) = VT_BSTR;
        V_BSTR(&empty) = SysAllocString(L"");
        hr = PutMember(V_DISPATCH(&win.Get()), L"opener", empty);
        VariantClear(&empty);
        Print("act mark " + std::to_string(index) + " hr=" + HexHr(hr));
    }
}

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
        if (V_VT(&v.Get()) != VT_DISPATCH || !V_DISPATCH(&v.Get()) ||
            FAILED(V_DISPATCH(&v.Get())->QueryInterface(IID_PPV_ARGS(&browser)))) {
            Print("window " + std::to_string(index) + " not-a-browser");
        } else {
            DescribeWindow(index, browser.Get());
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

}  // namespace

int main() {
    int wantEvents = 0;
    bool vanish = false;
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
    }
    LocalFree(argv);

    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HRESULT hr = CoCreateInstance(kCLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&g_shell));
    if (FAILED(hr)) {
        Print("create failed hr=" + HexHr(hr));
        CoUninitialize();
        return 2;
    }
    Print("created");
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
    Walk("start");

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
    point.Reset();
    container.Reset();
    g_shell.Reset();
    CoUninitialize();
    Print(timedOut ? "timeout" : "done");
    return timedOut ? 1 : 0;
}
