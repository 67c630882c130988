// The subscription to the shell's window events: what reaches the handler, and
// the unsubscription, also from inside an event and while one is on its way.
#include <olectl.h>

#include <vector>

#include "platform/win32/shell/shell_windows.h"
#include "platform_test.h"

namespace shutterling::win32::test {

namespace {

// A connection point container with one point, recording what the client does.
class TestSource final : public IConnectionPointContainer, public IConnectionPoint {
  public:
    GUID asked{};
    HRESULT findResult = S_OK;
    HRESULT adviseResult = S_OK;
    ComPtr<IDispatch> sink;
    LONG unadvised = 0;  // the cookie unadvised last; a worker writes it
    LONG refs = 1;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (riid == IID_IUnknown || riid == IID_IConnectionPointContainer) {
            *out = static_cast<IConnectionPointContainer*>(this);
        } else if (riid == IID_IConnectionPoint) {
            *out = static_cast<IConnectionPoint*>(this);
        } else {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return InterlockedIncrement(&refs); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return InterlockedDecrement(&refs); }
    HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID riid,
                                                  IConnectionPoint** point) noexcept override {
        asked = riid;
        *point = nullptr;
        if (FAILED(findResult))
            return findResult;
        *point = this;
        AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE
    GetConnectionPointContainer(IConnectionPointContainer**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Advise(IUnknown* client, DWORD* cookie) noexcept override {
        if (FAILED(adviseResult))
            return adviseResult;
        client->QueryInterface(IID_PPV_ARGS(&sink));
        *cookie = 77;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) noexcept override {
        InterlockedExchange(&unadvised, static_cast<LONG>(cookie));
        sink.Reset();  // as a real source does: its reference to the sink goes
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) noexcept override {
        return E_NOTIMPL;
    }

    HRESULT Fire(DISPID id, std::vector<VARIANT> args) {
        DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};
        return sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    }
};

}  // namespace

void ShellEvents() {
    std::vector<std::int32_t> seen;
    auto record = [&](std::int32_t cookie) { seen.push_back(cookie); };

    currentCase = "subscribe and receive";
    {
        TestSource source;
        auto token = AdviseShellEvents(static_cast<IConnectionPointContainer*>(&source), record);
        CHECK(token);
        CHECK(IsEqualGUID(source.asked, kDIID_DShellWindowsEvents));
        CHECK(source.sink);
        CHECK(SUCCEEDED(source.Fire(kDispidWindowRegistered, {VtI4(5)})));
        VARIANT small = Vt(VT_I2);
        V_I2(&small) = 9;
        CHECK(SUCCEEDED(source.Fire(kDispidWindowRegistered, {small})));
        CHECK(SUCCEEDED(source.Fire(201, {VtI4(6)})));  // WindowRevoked: not ours
        CHECK(source.Fire(kDispidWindowRegistered, {}) == DISP_E_BADPARAMCOUNT);
        CHECK((seen == std::vector<std::int32_t>{5, 9}));

        ComPtr<IDispatch> kept = source.sink;  // an event still on its way
        token.reset();
        CHECK(Eventually([&] { return source.unadvised == 77; }));
        DISPPARAMS params{nullptr, nullptr, 0, 0};
        VARIANT arg = VtI4(8);
        params.rgvarg = &arg;
        params.cArgs = 1;
        kept->Invoke(kDispidWindowRegistered, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr,
                     nullptr, nullptr);
        CHECK(seen.size() == 2);  // nothing after the unsubscription
        CHECK(Eventually([&] { return source.refs == 1; }));
    }

    currentCase = "handler drops the subscription";
    {
        TestSource source;
        ConnectionToken token;
        int calls = 0;
        token =
            AdviseShellEvents(static_cast<IConnectionPointContainer*>(&source), [&](std::int32_t) {
                ++calls;
                token.reset();  // the shut-down inside the event
            });
        CHECK(token);
        ComPtr<IDispatch> sink = source.sink;
        sink->AddRef();
        IDispatch* raw = sink.Get();
        sink.Reset();
        source.Fire(kDispidWindowRegistered, {VtI4(1)});
        CHECK(calls == 1);
        CHECK(Eventually([&] { return source.unadvised == 77; }));
        raw->Release();  // the last reference: the sink goes only now
        CHECK(Eventually([&] { return source.refs == 1; }));
    }

    currentCase = "refusals";
    {
        TestSource noPoint;
        noPoint.findResult = CONNECT_E_NOCONNECTION;
        CHECK(!AdviseShellEvents(static_cast<IConnectionPointContainer*>(&noPoint), record));
        TestSource refuses;
        refuses.adviseResult = CONNECT_E_ADVISELIMIT;
        CHECK(!AdviseShellEvents(static_cast<IConnectionPointContainer*>(&refuses), record));
        TestObject notASource;
        CHECK(!AdviseShellEvents(static_cast<IDispatch*>(&notASource), record));
    }
}

}  // namespace shutterling::win32::test
