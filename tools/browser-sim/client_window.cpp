#include "client_window.h"

#include <ocidl.h>
#include <oleauto.h>
#include <wrl/client.h>

#include "com_util.h"

namespace sim {
namespace {

using Microsoft::WRL::ComPtr;

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

template <class T, class F>
std::string Prop(F&& read, std::string (*show)(T)) {
    T value{};
    HRESULT hr = read(&value);
    return SUCCEEDED(hr) ? show(value) : Failed(hr);
}

// How many tabs the frame holds: "Frame Tab" children with a "TabWindowClass" inside.
int TabWindows(HWND frame) {
    int count = 0;
    for (HWND tab = FindWindowExW(frame, nullptr, L"Frame Tab", nullptr); tab;
         tab = FindWindowExW(frame, tab, L"Frame Tab", nullptr))
        count += FindWindowExW(tab, nullptr, L"TabWindowClass", nullptr) != nullptr;
    return count;
}

std::string ShowBool(VARIANT_BOOL b) {
    return b ? "yes" : "no";
}
std::string ShowLong(LONG n) {
    return std::to_string(n);
}

}  // namespace

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

void DescribeWindow(int index, IWebBrowser2* browser, bool act) {
    std::string line = "window " + std::to_string(index);
    Bstr title;
    HRESULT hr = browser->get_LocationName(title.Out());
    line += " title=" + (SUCCEEDED(hr) ? "\"" + Utf8(title.Str()) + "\"" : Failed(hr));
    line += " menubar=" +
            Prop<VARIANT_BOOL>([&](VARIANT_BOOL* v) { return browser->get_MenuBar(v); }, ShowBool);
    line +=
        " fullscreen=" +
        Prop<VARIANT_BOOL>([&](VARIANT_BOOL* v) { return browser->get_FullScreen(v); }, ShowBool);
    line += " width=" + Prop<LONG>([&](LONG* v) { return browser->get_Width(v); }, ShowLong);
    line += " height=" + Prop<LONG>([&](LONG* v) { return browser->get_Height(v); }, ShowLong);
    SHANDLE_PTR hwnd = 0;
    hr = browser->get_HWND(&hwnd);
    // Goes last on the line, after what earlier tests match.
    std::string frame;
    if (SUCCEEDED(hr)) {
        frame = " hwnd=" + HexHr(HRESULT(hwnd)) +
                " tab-windows=" + std::to_string(TabWindows(reinterpret_cast<HWND>(hwnd)));
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
        Print(line + " document=" + Failed(hr) + frame);
        return;
    }
    if (!doc) {
        Print(line + " document=none" + frame);
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
    Print(line + frame);
    if (!act || !scriptOpened)
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

}  // namespace sim
