// The walk over the shell's windows: what each kind of item yields, a window
// that does not answer, and a busy collection.
#include <functional>
#include <memory>
#include <vector>

#include "platform/win32/shell/window_walk.h"
#include "platform_test.h"

namespace shutterling::win32::test {

namespace {

// Hands out its scripted items in turn (a failure fetches nothing), then the end.
class TestEnum final : public IEnumVARIANT {
  public:
    struct Item {
        HRESULT hr;
        std::function<VARIANT()> make;
    };
    std::vector<Item> items;
    std::size_t at = 0;
    int busyFor = 0;  // calls rejected as a busy server rejects them

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (riid == IID_IUnknown || riid == IID_IEnumVARIANT) {
            *out = this;
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return 2; }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return 1; }
    HRESULT STDMETHODCALLTYPE Next(ULONG, VARIANT* out, ULONG* fetched) noexcept override {
        *fetched = 0;
        if (busyFor > 0) {
            --busyFor;
            return RPC_E_SERVERCALL_RETRYLATER;
        }
        if (at >= items.size())
            return S_FALSE;
        const Item& item = items[at++];
        if (item.hr == S_OK) {
            *out = item.make();
            *fetched = 1;
        }
        return item.hr;
    }
    HRESULT STDMETHODCALLTYPE Skip(ULONG) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Reset() noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumVARIANT**) noexcept override { return E_NOTIMPL; }
};

// A window whose thread stops answering once it is asked anything, until the
// test lets it go on. Its identity is answered by the proxy, as a real one's.
class Silent final : public IDispatch {
  public:
    HANDLE answer = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    LONG refs = 1;
    LONG asked = 0;
    ~Silent() { CloseHandle(answer); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        *out = nullptr;
        if (riid == IID_IUnknown || riid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() noexcept override { return InterlockedIncrement(&refs); }
    ULONG STDMETHODCALLTYPE Release() noexcept override { return InterlockedDecrement(&refs); }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) noexcept override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                            DISPID*) noexcept override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                     UINT*) noexcept override {
        InterlockedIncrement(&asked);
        WaitForSingleObject(answer, INFINITE);
        return DISP_E_MEMBERNOTFOUND;
    }
};

VARIANT Holding(IDispatch* object) {
    VARIANT v = Vt(VT_DISPATCH);
    V_DISPATCH(&v) = object;
    object->AddRef();
    return v;
}

}  // namespace

void WindowWalkSteps() {
    using Status = platform::WindowWalk::Step::Status;
    TestObject notABrowser;
    Silent silent;
    TestEnum cursor;
    cursor.busyFor = 2;
    cursor.items = {
        {S_OK, [] { return Vt(VT_DISPATCH); }},  // Nothing
        {S_OK, [&] { return Holding(&notABrowser); }},
        {S_OK, [&] { return Holding(&silent); }},
        {S_OK, [] { return VtI4(3); }},
        {E_FAIL, nullptr},
    };
    auto walk = std::make_unique<ComWindowWalk>(Ref<IEnumVARIANT>(&cursor));

    currentCase = "an item that is Nothing, fetched once the busy collection answers";
    auto step = walk->Next();
    CHECK(step.status == Status::Window && step.window);
    if (step.window) {
        CHECK(!step.window->Document() && !step.window->FullScreen() && !step.window->Hwnd() &&
              !step.window->LocationName() && !step.window->Width());
        CHECK(step.window->Identity() == 0);
    }
    // The browser is read through the item's own IDispatch, without asking
    // for IWebBrowser2 first: an object that is none is handed out, and every
    // read of it fails.
    currentCase = "an object that is not a browser window";
    step = walk->Next();
    CHECK(step.status == Status::Window && step.window);
    if (step.window) {
        const auto document = step.window->Document();
        const auto hwnd = step.window->Hwnd();
        CHECK(!document && !hwnd && !step.window->MenuBar());
        CHECK(!document.Unanswered() && !hwnd.Unanswered());  // it answered: they failed
    }
    step = {};

    // Its first read is given up after the timeout; later reads fail at once
    // without asking it again, and the walk goes on. Once its call comes
    // back it counts as answering again.
    currentCase = "a window that does not answer";
    step = walk->Next();
    const auto silentId = reinterpret_cast<Answerer>(static_cast<IUnknown*>(&silent));
    CHECK(step.status == Status::Window && step.window && step.window->Identity() == silentId);
    if (step.window) {
        const auto document = step.window->Document();
        const auto title = step.window->LocationName();
        CHECK(!document && !title);
        CHECK(document.Unanswered() && title.Unanswered());  // given up, then not made
    }
    CHECK(!RemoteCalls::Get().Answering(silentId));
    CHECK(silent.asked == 1);
    step = {};
    SetEvent(silent.answer);
    CHECK(Eventually([&] { return RemoteCalls::Get().Answering(silentId); }));

    currentCase = "not an object";
    CHECK(walk->Next().status == Status::Failed);
    currentCase = "enumerator fails";
    CHECK(walk->Next().status == Status::Failed);
    currentCase = "end";
    CHECK(walk->Next().status == Status::End);

    // The walk holds what it handed out until it goes, then gives all back,
    // the window that did not answer included once it answers again.
    currentCase = "references given back";
    walk.reset();
    CHECK(Eventually([&] { return notABrowser.refs == 1 && silent.refs == 1; }));
}

// A call given up holds only the object it calls: the pass's other
// references go when the pass ends, while the hung call is still out.
void PassEndsWhileACallHangs() {
    TestObject page;
    Silent hung;
    {
        auto memo = std::make_shared<WalkMemo>();
        memo->held.push_back(Ref<IDispatch>(&page));
        ComBrowserWindow answering(Ref<IDispatch>(&page),
                                   IdentityOf(static_cast<IDispatch*>(&page)), memo);
        ComBrowserWindow silent(Ref<IDispatch>(&hung), IdentityOf(static_cast<IDispatch*>(&hung)),
                                memo);
        currentCase = "a read given up";
        CHECK(!silent.Document());
        CHECK(page.refs > 1);
    }
    currentCase = "the pass's references gone, the hung call's own still out";
    CHECK(Eventually([&] { return page.refs == 1; }));
    CHECK(hung.refs > 1);
    SetEvent(hung.answer);
    CHECK(Eventually([&] { return hung.refs == 1; }));
}

}  // namespace shutterling::win32::test
