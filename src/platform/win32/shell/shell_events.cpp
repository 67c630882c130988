// The sink of the shell's window events, and the connection that feeds it.
#include "platform/win32/shell/shell_events.h"

#include <ocidl.h>

#include "platform/win32/shell/late_bound.h"

namespace shutterling::win32 {

using Handler = platform::ShellAutomation::WindowRegisteredHandler;

namespace {

// A dispinterface sink: WindowRegistered goes to the handler, every other
// event is accepted and dropped. The shell calls it on a thread of the
// multithreaded apartment; the handler runs on the user-interface thread
// while the shell waits. (MinGW's WRL has no RuntimeClass to write IUnknown.)
class Sink final : public IDispatch {
  public:
    explicit Sink(Handler handler) : handler_(std::move(handler)) {}
    // After this no event reaches the handler, even one already on its way.
    void Detach() noexcept { InterlockedExchange(&detached_, 1); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override {
        if (!object)
            return E_POINTER;
        const bool ours =
            riid == IID_IUnknown || riid == IID_IDispatch || riid == kDIID_DShellWindowsEvents;
        *object = ours ? static_cast<IDispatch*>(this) : nullptr;
        if (!ours)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override {
        return static_cast<ULONG>(InterlockedIncrement(&refs_));
    }
    ULONG STDMETHODCALLTYPE Release() noexcept override {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }
    // No type information: the shell calls by its dispinterface's ids.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override {
        if (!count)
            return E_POINTER;
        *count = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override {
        if (info)
            *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                            DISPID* ids) noexcept override {
        if (ids)
            *ids = DISPID_UNKNOWN;
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT* argError) noexcept override;

  private:
    ~Sink() = default;
    bool Detached() noexcept { return InterlockedCompareExchange(&detached_, 0, 0) != 0; }

    LONG refs_ = 1;
    LONG detached_ = 0;
    const Handler handler_;
};

HRESULT Sink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                     UINT* argError) noexcept {
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
        ComPtr<Sink> self(this);
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

}  // namespace

struct Subscription {
    ComPtr<IConnectionPoint> point;
    DWORD cookie;
    ComPtr<Sink> sink;
    Answerer shell;
};

void Unsubscribe::operator()(Subscription* subscription) const noexcept {
    const std::unique_ptr<Subscription> gone(subscription);
    gone->sink->Detach();
    try {
        IConnectionPoint* point = gone->point.Detach();
        RemoteCalls::Get().Release(gone->shell, point,
                                   [point, cookie = gone->cookie] { point->Unadvise(cookie); });
    } catch (...) {
        // Out of memory: the subscription ends with the process.
    }
}

ConnectionToken AdviseShellEvents(IUnknown* source, Handler handler, Answerer shell) {
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    if (!source || FAILED(source->QueryInterface(IID_PPV_ARGS(&container))) ||
        FAILED(container->FindConnectionPoint(kDIID_DShellWindowsEvents, &point)))
        return nullptr;
    ComPtr<Sink> sink;
    sink.Attach(new Sink(std::move(handler)));
    DWORD cookie = 0;
    if (FAILED(point->Advise(sink.Get(), &cookie)))
        return nullptr;
    return ConnectionToken(new Subscription{std::move(point), cookie, std::move(sink), shell});
}

}  // namespace shutterling::win32
