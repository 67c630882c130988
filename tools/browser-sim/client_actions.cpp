#include "client_actions.h"

#include <ocidl.h>
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
// "#N" names the Nth window without reading any.
LONG IndexOf(IShellWindows* shell, const std::wstring& title) {
    if (title.size() > 1 && title[0] == L'#')
        return _wtoi(title.c_str() + 1);
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

// A read on a thread of its own, in the multithreaded apartment, with a
// collection of its own. If a browser never answers, the thread is left
// waiting and the process ends without it; what it read until then stays.
struct Job {
    LONG index = 0;
    void (*run)(Job&, IWebBrowser2*) = nullptr;
    HANDLE done = nullptr;
    SRWLOCK lock = SRWLOCK_INIT;
    std::string result, at = "browser";

    // What was read, and the read it is waiting for now.
    void Answered(const std::string& field, const char* next) {
        AcquireSRWLockExclusive(&lock);
        result += (result.empty() ? "" : " ") + field;
        at = next;
        ReleaseSRWLockExclusive(&lock);
    }
};

DWORD WINAPI RunJob(void* param) {
    std::shared_ptr<Job> job(std::move(*static_cast<std::shared_ptr<Job>*>(param)));
    delete static_cast<std::shared_ptr<Job>*>(param);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        ComPtr<IShellWindows> shell;
        HRESULT hr =
            CoCreateInstance(kCLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&shell));
        ComPtr<IWebBrowser2> browser = SUCCEEDED(hr) ? At(shell.Get(), job->index) : nullptr;
        if (browser)
            job->run(*job, browser.Get());
        else
            job->Answered("browser=" + Failed(FAILED(hr) ? hr : E_NOINTERFACE), "");
    }
    // Out of the apartment before the wait ends: a thread that ends still in
    // it takes the multithreaded apartment down as it exits, when it held it
    // last, and under Wine that teardown can race the next job's thread
    // entering a new one.
    CoUninitialize();
    SetEvent(job->done);
    return 0;
}

// opener.Parent.closed
void ReadClosed(Job& job, IWebBrowser2* browser) {
    Variant opener, parent, closed;
    HRESULT hr = OpenerOf(browser, opener.Out());
    if (FAILED(hr) || V_VT(&opener.Get()) != VT_DISPATCH || !V_DISPATCH(&opener.Get())) {
        job.Answered("opener=" + (SUCCEEDED(hr) ? Describe(opener.Get()) : Failed(hr)), "");
    } else if (FAILED(hr = GetMember(V_DISPATCH(&opener.Get()), L"Parent", parent.Out())) ||
               V_VT(&parent.Get()) != VT_DISPATCH || !V_DISPATCH(&parent.Get())) {
        job.Answered("parent=" + (SUCCEEDED(hr) ? Describe(parent.Get()) : Failed(hr)), "");
    } else {
        hr = GetMember(V_DISPATCH(&parent.Get()), L"Closed", closed.Out());
        job.Answered("closed=" + (SUCCEEDED(hr) ? Describe(closed.Get()) : Failed(hr)), "");
    }
}

// The browser's HWND and Document, then the page's own reads: the document's
// class name, its parentWindow and that window's opener, one after another.
void ReadPage(Job& job, IWebBrowser2* browser) {
    job.Answered("browser=ok", "hwnd");
    SHANDLE_PTR hwnd = 0;
    HRESULT hr = browser->get_HWND(&hwnd);
    job.Answered("hwnd=" + (SUCCEEDED(hr) ? HexHr(HRESULT(hwnd)) : Failed(hr)), "document");
    ComPtr<IDispatch> doc;
    hr = browser->get_Document(&doc);
    job.Answered("document=" + (FAILED(hr) ? Failed(hr) : doc ? "object" : "none"), "class");
    if (!doc)
        return;
    ComPtr<IProvideClassInfo> pci;
    ComPtr<ITypeInfo> info;
    Bstr name;
    hr = doc.As(&pci);
    if (SUCCEEDED(hr))
        hr = pci->GetClassInfo(&info);
    if (SUCCEEDED(hr))
        hr = info->GetDocumentation(MEMBERID_NIL, name.Out(), nullptr, nullptr, nullptr);
    job.Answered("class=" + (SUCCEEDED(hr) ? Utf8(name.Str()) : Failed(hr)), "parentwindow");
    Variant win, opener;
    hr = GetMember(doc.Get(), L"parentWindow", win.Out());
    job.Answered("parentwindow=" + (SUCCEEDED(hr) ? Describe(win.Get()) : Failed(hr)), "opener");
    if (FAILED(hr) || V_VT(&win.Get()) != VT_DISPATCH || !V_DISPATCH(&win.Get()))
        return;
    hr = GetMember(V_DISPATCH(&win.Get()), L"opener", opener.Out());
    job.Answered("opener=" + (SUCCEEDED(hr) ? Describe(opener.Get()) : Failed(hr)), "");
}

// Waits for the job up to `ms`, taking messages meanwhile; false if it did not end.
bool Await(LONG index, void (*run)(Job&, IWebBrowser2*), DWORD ms, std::string& result,
           std::string& at) {
    auto job = std::make_shared<Job>();
    job->index = index;
    job->run = run;
    job->done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, RunJob, new std::shared_ptr<Job>(job), 0, nullptr);
    if (!thread) {
        result = "no-thread";
        return true;
    }
    CloseHandle(thread);
    DWORD start = GetTickCount();
    bool ended = true;
    while (WaitForSingleObject(job->done, 0) == WAIT_TIMEOUT) {
        if (GetTickCount() - start >= ms) {
            ended = false;
            break;
        }
        MsgWaitForMultipleObjectsEx(1, &job->done, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    AcquireSRWLockExclusive(&job->lock);
    result = job->result;
    at = job->at;
    ReleaseSRWLockExclusive(&job->lock);
    return ended;
}

}  // namespace

bool RunAction(IShellWindows* shell, const Action& action) {
    std::string what = "\"" + Utf8(action.title) + "\"";
    std::string verb = Utf8(action.verb.substr(2));
    LONG index = IndexOf(shell, action.title);
    // Even a QueryInterface of a hung window's proxy waits for it: these two
    // reach the window only on their own thread.
    if (index >= 0 && (action.verb == L"--closed-of" || action.verb == L"--page")) {
        std::string result, at;
        bool page = action.verb == L"--page";
        bool ended = Await(index, page ? ReadPage : ReadClosed, action.waitMs, result, at);
        std::string timeout =
            "timeout" + (page ? "-at=" + at : "") + " ms=" + std::to_string(action.waitMs);
        Print(verb + " " + what + (result.empty() ? "" : " " + result) +
              (ended ? "" : " " + timeout));
        return ended;
    }
    ComPtr<IWebBrowser2> browser = index >= 0 ? At(shell, index) : nullptr;
    if (!browser) {
        Print(verb + " " + what + " not-found");
        return true;
    }
    if (action.verb == L"--reads") {
        PrintReads(browser.Get(), what);
        return true;
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

namespace {

UINT g_taskbarCreated = 0;
bool g_taskbarSeen = false;

LRESULT CALLBACK TaskbarProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == g_taskbarCreated && g_taskbarCreated) {
        Print("taskbar-created message=" + HexHr(HRESULT(msg)));
        g_taskbarSeen = true;
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool AwaitTaskbarCreated(DWORD ms) {
    g_taskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    WNDCLASSW wc{};
    wc.lpfnWndProc = TaskbarProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"SimClientTaskbar";
    RegisterClassW(&wc);
    // Top-level and hidden, as a tray program's own window is: a message-only
    // window gets no broadcast.
    HWND hwnd = CreateWindowExW(0, wc.lpszClassName, L"sim-client", WS_OVERLAPPED, 0, 0, 0, 0,
                                nullptr, nullptr, wc.hInstance, nullptr);
    if (!hwnd || !g_taskbarCreated) {
        Print("taskbar-window failed");
        return false;
    }
    Print("taskbar-window hwnd=" + HexHr(HRESULT(UINT_PTR(hwnd))));
    DWORD start = GetTickCount();
    while (!g_taskbarSeen && GetTickCount() - start < ms) {
        MsgWaitForMultipleObjectsEx(0, nullptr, 20, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    if (!g_taskbarSeen)
        Print("taskbar-created timeout ms=" + std::to_string(ms));
    DestroyWindow(hwnd);
    return g_taskbarSeen;
}

}  // namespace sim
