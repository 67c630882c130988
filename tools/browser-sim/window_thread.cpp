#include "window_thread.h"

#include <exdisp.h>
#include <objbase.h>

#include <vector>

#include "browser.h"
#include "com_util.h"
#include "document.h"
#include "faults.h"
#include "sim_log.h"

namespace sim {
namespace {

// Posted to the window's thread: marshal more references to hand out.
constexpr UINT kRefill = WM_APP + 10;
// References made ahead: one goes with each hand-out while the thread is hung.
constexpr size_t kReserve = 32;

// {00000017-0000-0000-C000-000000000046}
constexpr GUID kClsidStdMarshal = {0x00000017, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};

}  // namespace

struct WindowThread::State {
    std::shared_ptr<BrowserWindow> window;
    int index = 0;
    DWORD id = 0;
    HANDLE ready = nullptr;
    std::wstring error;
    SRWLOCK lock = SRWLOCK_INIT;
    // Standard object references to the browser, marshalled on its own thread
    // for a client in another process; each carries the references its proxy
    // will own, so passing one on needs no call into the window's thread.
    std::vector<std::string> references;

    void Refill() {
        while (!window->destroyed) {
            AcquireSRWLockShared(&lock);
            size_t have = references.size();
            ReleaseSRWLockShared(&lock);
            if (have >= kReserve)
                return;
            ComPtr<IStream> stream;
            HRESULT hr = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
            if (SUCCEEDED(hr))
                hr = CoMarshalInterface(stream.Get(), IID_IDispatch,
                                        static_cast<IWebBrowser2*>(window->browser.Get()),
                                        MSHCTX_LOCAL, nullptr, MSHLFLAGS_NORMAL);
            HGLOBAL memory = nullptr;
            if (SUCCEEDED(hr))
                hr = GetHGlobalFromStream(stream.Get(), &memory);
            if (FAILED(hr)) {
                Log::Get().Write("warning",
                                 "marshal " + Utf8(window->name) + " hr=" + Hex(ULONG(hr)));
                return;
            }
            LARGE_INTEGER zero{};
            ULARGE_INTEGER size{};
            stream->Seek(zero, STREAM_SEEK_CUR, &size);
            std::string bytes(static_cast<const char*>(GlobalLock(memory)), size_t(size.QuadPart));
            GlobalUnlock(memory);
            AcquireSRWLockExclusive(&lock);
            references.push_back(std::move(bytes));
            ReleaseSRWLockExclusive(&lock);
        }
    }

    bool Take(std::string& bytes) {
        AcquireSRWLockExclusive(&lock);
        bool any = !references.empty();
        if (any) {
            bytes = std::move(references.back());
            references.pop_back();
        }
        ReleaseSRWLockExclusive(&lock);
        PostThreadMessageW(id, kRefill, 0, 0);
        return any;
    }
};

namespace {

// What the collection returns for a window on its own thread: an object that
// only travels. Marshalled to a client, it writes one of the references the
// window's thread made, so the client's proxy talks to that thread directly.
class ForwardedBrowser final : public IDispatch, public IMarshal {
  public:
    explicit ForwardedBrowser(std::shared_ptr<WindowThread::State> state)
        : state_(std::move(state)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch)
            *out = static_cast<IDispatch*>(this);
        else if (riid == IID_IMarshal)
            *out = static_cast<IMarshal*>(this);
        if (!*out)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)

    SIM_NOTIMPL(GetTypeInfoCount, UINT*)
    SIM_NOTIMPL(GetTypeInfo, UINT, LCID, ITypeInfo**)
    SIM_NOTIMPL(GetIDsOfNames, REFIID, LPOLESTR*, UINT, LCID, DISPID*)
    SIM_NOTIMPL(Invoke, DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*)

    HRESULT STDMETHODCALLTYPE GetUnmarshalClass(REFIID, void*, DWORD, void*, DWORD,
                                                CLSID* clsid) noexcept override {
        *clsid = kClsidStdMarshal;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetMarshalSizeMax(REFIID, void*, DWORD, void*, DWORD,
                                                DWORD* size) noexcept override {
        *size = 512;  // a standard reference with an empty resolver address is 68 bytes
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE MarshalInterface(IStream* stream, REFIID riid, void*, DWORD, void*,
                                               DWORD flags) noexcept override {
        if (riid != IID_IDispatch || flags != MSHLFLAGS_NORMAL)
            return E_NOINTERFACE;
        std::string bytes;
        if (!state_->Take(bytes)) {
            Log::Get().Write("warning",
                             "no reference of " + Utf8(state_->window->name) + " left to hand out");
            return E_OUTOFMEMORY;
        }
        return stream->Write(bytes.data(), ULONG(bytes.size()), nullptr);
    }
    SIM_NOTIMPL(UnmarshalInterface, IStream*, REFIID, void**)
    SIM_NOTIMPL(ReleaseMarshalData, IStream*)
    HRESULT STDMETHODCALLTYPE DisconnectObject(DWORD) noexcept override { return S_OK; }

  private:
    RefCount refs_;
    std::shared_ptr<WindowThread::State> state_;
};

DWORD WINAPI ThreadMain(void* param) {
    std::shared_ptr<WindowThread::State> state;
    std::swap(state, *static_cast<std::shared_ptr<WindowThread::State>*>(param));
    delete static_cast<std::shared_ptr<WindowThread::State>*>(param);
    BrowserWindow& w = *state->window;
    w.threadId = GetCurrentThreadId();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    auto filter = NewBusyFilter(state->window);
    CoRegisterMessageFilter(filter.Get(), nullptr);
    MakeDocument(w);
    w.hwnd = CreateFrame(w);
    const bool created = w.hwnd != nullptr;
    if (created) {
        PlaceFrame(w, state->index);
        state->Refill();
    } else {
        state->error = L"cannot create the window";
    }
    SetEvent(state->ready);

    MSG msg;
    while (created && GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (!msg.hwnd && msg.message == kRefill) {
            state->Refill();
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (IsWindow(w.hwnd))
        DestroyWindow(w.hwnd);
    // The thread leaves its apartment itself, calls and stubs done with, rather
    // than have the process end it while it is still inside the COM runtime.
    CoUninitialize();
    return created ? 0 : 1;
}

}  // namespace

std::unique_ptr<WindowThread> WindowThread::Start(const std::shared_ptr<BrowserWindow>& window,
                                                  int index, std::wstring& error) {
    auto state = std::make_shared<State>();
    state->window = window;
    state->index = index;
    state->ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    auto* param = new std::shared_ptr<State>(state);
    HANDLE thread = CreateThread(nullptr, 0, ThreadMain, param, 0, &state->id);
    if (!thread) {
        delete param;
        CloseHandle(state->ready);
        error = L"cannot start the window's thread";
        return nullptr;
    }
    DWORD which = 0;
    CoWaitForMultipleHandles(0, INFINITE, 1, &state->ready, &which);
    CloseHandle(state->ready);
    if (!state->error.empty()) {
        // It only leaves its apartment now: not left running into the end of the process.
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        error = state->error;
        return nullptr;
    }
    return std::make_unique<WindowThread>(state, thread);
}

HRESULT WindowThread::HandOut(IDispatch** out) {
    *out = new ForwardedBrowser(state_);
    return S_OK;
}

void WindowThread::Quit() {
    PostThreadMessageW(state_->id, WM_QUIT, 0, 0);
}

bool WindowThread::Ended() const {
    return WaitForSingleObject(thread_, 0) == WAIT_OBJECT_0;
}

}  // namespace sim
