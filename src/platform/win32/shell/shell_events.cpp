// The shell calls back into this sink from a thread of the multithreaded
// apartment; the handler runs on the user-interface thread.
#include "platform/win32/shell/shell_events.h"

#include <utility>

#include "platform/win32/shell/com_dispatch.h"

namespace shutterling::win32 {

ShellEventSink::ShellEventSink(platform::ShellAutomation::WindowRegisteredHandler handler)
    : handler_(std::move(handler)) {}

void ShellEventSink::Detach() noexcept {
    InterlockedExchange(&detached_, 1);
}

bool ShellEventSink::Detached() noexcept {
    return InterlockedCompareExchange(&detached_, 0, 0) != 0;
}

HRESULT ShellEventSink::QueryInterface(REFIID riid, void** object) noexcept {
    if (!object)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kDIID_DShellWindowsEvents) {
        *object = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG ShellEventSink::AddRef() noexcept {
    return static_cast<ULONG>(InterlockedIncrement(&refs_));
}

ULONG ShellEventSink::Release() noexcept {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT ShellEventSink::GetTypeInfoCount(UINT* count) noexcept {
    if (!count)
        return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT ShellEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept {
    if (info)
        *info = nullptr;
    return E_NOTIMPL;
}

HRESULT ShellEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID* ids) noexcept {
    if (ids)
        *ids = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
}

HRESULT ShellEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO*, UINT* argError) noexcept {
    if (result)
        VariantInit(result);
    if (id != kDispidWindowRegistered || !handler_ || Detached())
        return S_OK;
    if (!params || params->cArgs != 1 || !params->rgvarg) {
        if (argError)
            *argError = 0;
        return DISP_E_BADPARAMCOUNT;
    }
    ScopedVariant cookie;
    if (FAILED(VariantChangeType(cookie.get(), &params->rgvarg[0], 0, VT_I4))) {
        if (argError)
            *argError = 0;
        return DISP_E_TYPEMISMATCH;
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

ConnectionToken::ConnectionToken(ConnectionToken&& other) noexcept
    : point_(std::move(other.point_)),
      cookie_(std::exchange(other.cookie_, 0)),
      sink_(std::move(other.sink_)),
      shell_(other.shell_) {}

ConnectionToken& ConnectionToken::operator=(ConnectionToken&& other) noexcept {
    if (this != &other) {
        Reset();
        point_ = std::move(other.point_);
        cookie_ = std::exchange(other.cookie_, 0);
        sink_ = std::move(other.sink_);
        shell_ = other.shell_;
    }
    return *this;
}

void ConnectionToken::Reset() noexcept {
    if (sink_)
        sink_->Detach();
    sink_.Reset();
    if (!point_)
        return;
    try {
        // Said on a worker, with the point's last release; the shut-down does not wait for it.
        IConnectionPoint* point = point_.Detach();
        RemoteCalls::Get().Release(shell_, point, [point, cookie = std::exchange(cookie_, 0)] {
            if (cookie)
                point->Unadvise(cookie);
        });
    } catch (...) {
        // Out of memory: the subscription ends with the process.
    }
}

std::optional<ConnectionToken> AdviseShellEvents(
    IUnknown* source, platform::ShellAutomation::WindowRegisteredHandler handler, Answerer shell) {
    ComPtr<IConnectionPointContainer> container;
    if (!source || FAILED(source->QueryInterface(IID_PPV_ARGS(&container))))
        return std::nullopt;
    ComPtr<IConnectionPoint> point;
    if (FAILED(container->FindConnectionPoint(kDIID_DShellWindowsEvents, &point))) {
        return std::nullopt;
    }
    ComPtr<ShellEventSink> sink;
    sink.Attach(new ShellEventSink(std::move(handler)));
    DWORD cookie = 0;
    if (FAILED(point->Advise(sink.Get(), &cookie)))
        return std::nullopt;
    return ConnectionToken(std::move(point), cookie, std::move(sink), shell);
}

}  // namespace shutterling::win32
