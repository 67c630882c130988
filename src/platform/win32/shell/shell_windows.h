// The shell's collection of browser windows: joined, subscribed to, and walked.
#pragma once

#include <exdisp.h>
#include <ocidl.h>

#include "platform/win32/shell/shell_guids.h"
#include "platform/win32/shell/window_walk.h"

namespace shutterling::win32 {

using WindowRegisteredHandler = platform::ShellAutomation::WindowRegisteredHandler;

// WindowRegistered goes to the handler, on the user-interface thread while the
// shell waits; other events are dropped. (MinGW's WRL has no RuntimeClass.)
class ShellEventSink final : public IDispatch {
  public:
    ShellEventSink(WindowRegisteredHandler handler, Answerer shell)
        : handler_(std::move(handler)), shell_(shell) {}
    // False when the point refuses the sink.
    bool Connect(ComPtr<IConnectionPoint> point) {
        if (FAILED(point->Advise(this, &cookie_)))
            return false;
        point_ = std::move(point);
        return true;
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
        const bool ours =
            riid == IID_IUnknown || riid == IID_IDispatch || riid == kDIID_DShellWindowsEvents;
        *object = ours ? static_cast<IDispatch*>(this) : nullptr;
        if (ours)
            AddRef();
        return ours ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return InterlockedIncrement(&refs_); }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const ULONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return left;
    }
    // No type information, nor names: the shell calls by its dispinterface's ids.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (count)
            *count = 0;
        return count ? S_OK : E_POINTER;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                            DISPID*) noexcept override {
        return DISP_E_UNKNOWNNAME;
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

// The Unadvise is said on a worker, just before the connection point's last release.
struct Unsubscribe {
    void operator()(ShellEventSink* sink) const noexcept {
        sink->Disconnect();
        sink->Release();
    }
};
using ConnectionToken = std::unique_ptr<ShellEventSink, Unsubscribe>;

// Null when the object has no such connection point or refuses the sink.
inline ConnectionToken AdviseShellEvents(IUnknown* source, WindowRegisteredHandler handler,
                                         Answerer shell = kShell) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (!source || FAILED(source->QueryInterface(IID_PPV_ARGS(&container))) ||
        FAILED(container->FindConnectionPoint(kDIID_DShellWindowsEvents, &point)))
        return nullptr;
    ConnectionToken sink(new ShellEventSink(std::move(handler), shell));
    return sink->Connect(std::move(point)) ? std::move(sink) : nullptr;
}

class ComShellWindows final : public platform::ShellWindows {
  public:
    ComShellWindows(RemoteRef<IShellWindows> windows, Answerer shell)
        : windows_(std::move(windows)), shell_(shell) {}

    std::unique_ptr<platform::WindowWalk> Walk() override {
        if (!windows_)
            return nullptr;
        auto cursor = CallRemote<RemoteRef<IEnumVARIANT>>(
            shell_,
            [windows = windows_, shell = shell_](DWORD deadline) -> RemoteRef<IEnumVARIANT> {
                ComPtr<IUnknown> enumerator;
                IEnumVARIANT* cursor = nullptr;
                if (FAILED(
                        RetryWhileBusy(deadline, [&] { return windows->_NewEnum(&enumerator); })) ||
                    !enumerator || FAILED(enumerator->QueryInterface(IID_PPV_ARGS(&cursor))))
                    return nullptr;
                return AdoptRemote(cursor, shell);
            });
        if (!cursor || !*cursor)
            return nullptr;
        return std::make_unique<ComWindowWalk>(std::move(*cursor), shell_);
    }

    bool Subscribe(WindowRegisteredHandler handler) override {
        if (!windows_ || connection_)
            return false;
        // `rejudge` runs the handler once more when a browser left for now has answered.
        auto rejudge = std::make_shared<std::function<void()>>([handler] { handler(0); });
        auto connection = CallRemote<ConnectionToken>(
            shell_,
            [windows = windows_, handler = std::move(handler),
             shell = shell_](DWORD) mutable -> ConnectionToken {
                return AdviseShellEvents(windows.get(), std::move(handler), shell);
            });
        if (!connection || !*connection)
            return false;
        connection_ = std::move(*connection);
        rejudge_ = std::move(rejudge);
        RemoteCalls::Get().SetRejudge(rejudge_);
        return true;
    }

  private:
    RemoteRef<IShellWindows> windows_;
    Answerer shell_;
    std::shared_ptr<std::function<void()>> rejudge_;  // held while this collection is
    ConnectionToken connection_;  // declared last: unadvised before the collection goes
};

class ShellAutomationImpl final : public platform::ShellAutomation {
  public:
    std::shared_ptr<platform::ShellWindows> CreateShellWindows() override {
        auto windows = CallRemote<RemoteRef<IShellWindows>>(
            shell_, [shell = shell_](DWORD) -> RemoteRef<IShellWindows> {
                IShellWindows* windows = nullptr;
                if (FAILED(CoCreateInstance(kCLSID_ShellWindows, nullptr, CLSCTX_ALL,
                                            kIID_IShellWindows,
                                            reinterpret_cast<void**>(&windows))))
                    return nullptr;
                return AdoptRemote(windows, shell);
            });
        if (!windows || !*windows)
            return nullptr;
        return std::make_shared<ComShellWindows>(std::move(*windows), shell_++);
    }
    bool SetBriefWaits(bool brief) override { return RemoteCalls::Get().SetBrief(brief); }

  private:
    // Who answers the shell's calls: a shell joined again after a restart is not the
    // one that hung or died; failed tries keep one, so a silent shell costs one wait.
    // Counted up from 0, far below any object's address, which every other answerer is.
    Answerer shell_ = kShell;
};

}  // namespace shutterling::win32
