// The subscription to the shell's window events: the sink, and its connection to the shell.
#pragma once

#include <ocidl.h>

#include <memory>

#include "platform/win32/shell/shell_guids.h"
#include "platform/win32/shell/variants.h"

namespace shutterling::win32 {

using WindowRegisteredHandler = platform::ShellAutomation::WindowRegisteredHandler;

// A dispinterface sink: WindowRegistered goes to the handler, every other
// event is accepted and dropped. The shell calls it on a thread of the
// multithreaded apartment; the handler runs on the user-interface thread
// while the shell waits. (MinGW's WRL has no RuntimeClass to write IUnknown.)
class ShellEventSink final : public IDispatch {
  public:
    ShellEventSink(WindowRegisteredHandler handler, Answerer shell)
        : handler_(std::move(handler)), shell_(shell) {}
    void Connected(ComPtr<IConnectionPoint> point, DWORD cookie) {
        point_ = std::move(point);
        cookie_ = cookie;
    }
    // After this no event reaches the handler, even one already on its way.
    void Disconnect() noexcept {
        InterlockedExchange(&detached_, 1);
        try {
            IConnectionPoint* point = point_.Detach();
            RemoteCalls::Get().Release(shell_, point,
                                       [point, cookie = cookie_] { point->Unadvise(cookie); });
        } catch (...) {
            // Out of memory: the subscription ends with the process.
        }
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override {
        if (!object)
            return E_POINTER;
        if (riid != IID_IUnknown && riid != IID_IDispatch && riid != kDIID_DShellWindowsEvents) {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return left;
    }
    // No type information, nor names: the shell calls by its dispinterface's ids.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                            DISPID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*,
                                     UINT* argError) noexcept override {
        if (result)
            VariantInit(result);
        if (id != kDispidWindowRegistered || !handler_ || Detached())
            return S_OK;
        ScopedVariant cookie;
        const HRESULT bad = !params || params->cArgs != 1 || !params->rgvarg ? DISP_E_BADPARAMCOUNT
                            : FAILED(VariantChangeType(cookie.get(), &params->rgvarg[0], 0, VT_I4))
                                ? DISP_E_TYPEMISMATCH
                                : S_OK;
        if (FAILED(bad)) {
            if (argError)
                *argError = 0;
            return bad;
        }
        try {
            // The handler may run the whole shut-down, which drops the connection:
            // the sink stays alive until the handler has returned.
            ComPtr<ShellEventSink> self(this);
            const auto lCookie = static_cast<std::int32_t>(V_I4(cookie.get()));
            RemoteCalls::Get().RunOnUiThread([self, lCookie] {
                if (self->Detached())
                    return;
                PassScope pass;
                self->handler_(lCookie);
            });
        } catch (...) {
            // An exception must not unwind into the COM runtime.
        }
        return S_OK;
    }

  private:
    ~ShellEventSink() = default;
    bool Detached() noexcept { return InterlockedCompareExchange(&detached_, 0, 0) != 0; }

    LONG refs_ = 1;
    LONG detached_ = 0;
    const WindowRegisteredHandler handler_;
    const Answerer shell_;
    ComPtr<IConnectionPoint> point_;  // released through RemoteCalls by Disconnect
    DWORD cookie_ = 0;
};

// The sink hears no more, and the Unadvise is said on a worker through the
// connection point just before its last release: the shut-down does not wait.
struct Unsubscribe {
    void operator()(ShellEventSink* sink) const noexcept {
        sink->Disconnect();
        sink->Release();
    }
};
using ConnectionToken = std::unique_ptr<ShellEventSink, Unsubscribe>;

// Subscribes a new sink for the handler; null when the object has no such
// connection point or refuses the sink.
inline ConnectionToken AdviseShellEvents(IUnknown* source, WindowRegisteredHandler handler,
                                         Answerer shell = kShell) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (!source || FAILED(source->QueryInterface(IID_PPV_ARGS(&container))) ||
        FAILED(container->FindConnectionPoint(kDIID_DShellWindowsEvents, &point)))
        return nullptr;
    ConnectionToken sink(new ShellEventSink(std::move(handler), shell));
    DWORD cookie = 0;
    if (FAILED(point->Advise(sink.get(), &cookie))) {
        sink.release()->Release();  // never connected: nothing to unadvise
        return nullptr;
    }
    sink->Connected(std::move(point), cookie);
    return sink;
}

}  // namespace shutterling::win32
