// The walk over the shell's windows: what each kind of item yields.
#include <functional>
#include <vector>

#include "platform/win32/shell_automation.h"
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

}  // namespace

void WindowWalkSteps() {
    using Status = platform::WindowWalk::Step::Status;
    TestObject notABrowser;
    TestEnum cursor;
    cursor.items = {
        {S_OK, [] { return Vt(VT_DISPATCH); }},  // Nothing
        {S_OK,
         [&] {
             VARIANT v = Vt(VT_DISPATCH);
             V_DISPATCH(&v) = &notABrowser;
             notABrowser.AddRef();
             return v;
         }},
        {S_OK, [] { return VtI4(3); }},
        {E_FAIL, nullptr},
    };
    ComWindowWalk walk{ComPtr<IEnumVARIANT>(&cursor)};

    currentCase = "an item that is Nothing";
    auto step = walk.Next();
    CHECK(step.status == Status::Window && step.window);
    if (step.window) {
        CHECK(!step.window->Document() && !step.window->FullScreen() && !step.window->Hwnd() &&
              !step.window->LocationName() && !step.window->Width());
        CHECK(step.window->Identity() == 0);
    }
    currentCase = "not a browser window";
    CHECK(walk.Next().status == Status::Failed);
    CHECK(notABrowser.refs == 1);
    currentCase = "not an object";
    CHECK(walk.Next().status == Status::Failed);
    currentCase = "enumerator fails";
    CHECK(walk.Next().status == Status::Failed);
    currentCase = "end";
    CHECK(walk.Next().status == Status::End);
}

}  // namespace shutterling::win32::test
