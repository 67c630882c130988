#include "client_actions.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <map>
#include <memory>

#include "client_window.h"
#include "com_util.h"

namespace sim {
namespace {

using Microsoft::WRL::ComPtr;

ComPtr<IWebBrowser2> At(IShellWindows* shell, LONG index) {
    VARIANT i;
    V_VT(&i) = VT_I4;
    V_I4(&i) = index;
    ComPtr<IDispatch> item;
    ComPtr<IWebBrowser2> browser;
    if (shell->Item(i, &item) == S_OK && item)
        item.As(&browser);
    return browser;
}

// The window's place in the collection, found once by reading titles: later
// actions go by place and read no other window, which may have hung since.
LONG IndexOf(IShellWindows* shell, const std::wstring& title) {
    static std::map<std::wstring, LONG> known;
    if (auto it = known.find(title); it != known.end())
        return it->second;
    LONG count = 0;
    shell->get_Count(&count);
    for (LONG i = 0; i < count; ++i) {
        ComPtr<IWebBrowser2> browser = At(shell, i);
        Bstr name;
        if (browser && SUCCEEDED(browser->get_LocationName(name.Out())) && name.Str() == title)
            return known[title] = i;
    }
    return -1;
}

// document.parentWindow.opener, as a script reads it.
HRESULT OpenerOf(IWebBrowser2* browser, VARIANT* opener) {
    ComPtr<IDispatch> doc;
    Variant win;
    HRESULT hr = browser->get_Document(&doc);
    if (SUCCEEDED(hr) && !doc)
        hr = E_POINTER;
    if (SUCCEEDED(hr))
        hr = GetMember(doc.Get(), L"parentWindow", win.Out());
    if (SUCCEEDED(hr) && (V_VT(&win.Get()) != VT_DISPATCH || !V_DISPATCH(&win.Get())))
        hr = E_NOINTERFACE;
    return SUCCEEDED(hr) ? GetMember(V_DISPATCH(&win.Get()), L"opener", opener) : hr;
}

void PrintReads(IWebBrowser2* browser, const std::string& what) {
    std::string line = "reads " + what;
    Bstr title;
    HRESULT hr = browser->get_LocationName(title.Out());
    line += " title=" + (SUCCEEDED(hr) ? "\"" + Utf8(title.Str()) + "\"" : Failed(hr));
    VARIANT_BOOL menubar = VARIANT_FALSE;
    hr = browser->get_MenuBar(&menubar);
    line += " menubar=" + (SUCCEEDED(hr) ? std::string(menubar ? "yes" : "no") : Failed(hr));
    SHANDLE_PTR hwnd = 0;
    hr = browser->get_HWND(&hwnd);
    line += " hwnd=" + (SUCCEEDED(hr) ? HexHr(HRESULT(hwnd)) : Failed(hr));
    // Kept, never released: a release reaches the opener's thread, which may be hung.
    VARIANT opener;
    VariantInit(&opener);
    hr = OpenerOf(browser, &opener);
    line += " opener=" + (SUCCEEDED(hr) ? Describe(opener) : Failed(hr));
    Print(line);
}

struct ClosedRead {
    LONG index = 0;
    HANDLE done = nullptr;
    std::string result;
};

// On a thread of its own, in the multithreaded apartment, with a collection
// of its own: opener.Parent.closed of the window at `index`. If a browser
// never answers, the thread is left waiting and the process ends without it.
DWORD WINAPI ReadClosed(void* param) {
    std::shared_ptr<ClosedRead> job(std::move(*static_cast<std::shared_ptr<ClosedRead>*>(param)));
    delete static_cast<std::shared_ptr<ClosedRead>*>(param);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ComPtr<IShellWindows> shell;
    HRESULT hr = CoCreateInstance(kCLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&shell));
    ComPtr<IWebBrowser2> browser = SUCCEEDED(hr) ? At(shell.Get(), job->index) : nullptr;
    Variant opener, parent, closed;
    if (!browser || FAILED(hr = OpenerOf(browser.Get(), opener.Out())) ||
        V_VT(&opener.Get()) != VT_DISPATCH || !V_DISPATCH(&opener.Get())) {
        job->result = "opener=" + (browser && SUCCEEDED(hr) ? Describe(opener.Get()) : Failed(hr));
    } else if (FAILED(hr = GetMember(V_DISPATCH(&opener.Get()), L"Parent", parent.Out())) ||
               V_VT(&parent.Get()) != VT_DISPATCH || !V_DISPATCH(&parent.Get())) {
        job->result = "parent=" + (SUCCEEDED(hr) ? Describe(parent.Get()) : Failed(hr));
    } else {
        hr = GetMember(V_DISPATCH(&parent.Get()), L"Closed", closed.Out());
        job->result = "closed=" + (SUCCEEDED(hr) ? Describe(closed.Get()) : Failed(hr));
    }
    SetEvent(job->done);
    return 0;
}

// Waits for the read up to `ms`, taking messages meanwhile; false if it never came.
bool AwaitClosed(LONG index, DWORD ms, std::string& result) {
    auto job = std::make_shared<ClosedRead>();
    job->index = index;
    job->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread =
        CreateThread(nullptr, 0, ReadClosed, new std::shared_ptr<ClosedRead>(job), 0, nullptr);
    if (!thread) {
        result = "no-thread";
        return true;
    }
    CloseHandle(thread);
    DWORD start = GetTickCount();
    while (WaitForSingleObject(job->done, 0) == WAIT_TIMEOUT) {
        if (GetTickCount() - start >= ms)
            return false;
        MsgWaitForMultipleObjectsEx(1, &job->done, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    result = job->result;
    return true;
}

}  // namespace

bool RunAction(IShellWindows* shell, const Action& action) {
    std::string what = "\"" + Utf8(action.title) + "\"";
    std::string verb = Utf8(action.verb.substr(2));
    LONG index = IndexOf(shell, action.title);
    ComPtr<IWebBrowser2> browser = index >= 0 ? At(shell, index) : nullptr;
    if (!browser) {
        Print(verb + " " + what + " not-found");
        return true;
    }
    if (action.verb == L"--reads") {
        PrintReads(browser.Get(), what);
        return true;
    }
    if (action.verb == L"--closed-of") {
        std::string result;
        bool answered = AwaitClosed(index, action.waitMs, result);
        Print(verb + " " + what + " " +
              (answered ? result : "timeout ms=" + std::to_string(action.waitMs)));
        return answered;
    }
    HRESULT hr = S_OK;
    if (action.verb == L"--quit") {
        hr = browser->Quit();
    } else if (action.verb == L"--quit-by-id") {
        constexpr DISPID kDispidQuit = 300;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        hr = browser->Invoke(kDispidQuit, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none,
                             nullptr, nullptr, nullptr);
    } else {
        SHANDLE_PTR hwnd = 0;
        hr = browser->get_HWND(&hwnd);
        if (SUCCEEDED(hr) && !PostMessageW(reinterpret_cast<HWND>(hwnd), WM_CLOSE, 0, 0))
            hr = HRESULT_FROM_WIN32(GetLastError());
    }
    Print(verb + " " + what + " hr=" + HexHr(hr));
    return true;
}

}  // namespace sim
