// Reads of browser windows: a failing call is an empty optional, never an
// exception, so the judgment can decide what each failure means.
#include "platform/win32/shell_automation.h"

#include "platform/win32/com_dispatch.h"

namespace shutterling::win32 {
namespace {

// One property of the browser: empty when there is no browser or the getter
// fails. The value is converted only after the getter has filled it.
template <class Value, class Result = Value, class Convert>
std::optional<Result> Read(IWebBrowser2* browser,
                           HRESULT (STDMETHODCALLTYPE IWebBrowser2::*get)(Value*),
                           Convert convert) {
    if (!browser)
        return std::nullopt;
    Value value{};
    if (FAILED((browser->*get)(&value)))
        return std::nullopt;
    return convert(value);
}

bool FromVariantBool(VARIANT_BOOL value) {
    return value != VARIANT_FALSE;
}

std::int32_t FromLong(long value) {
    return static_cast<std::int32_t>(value);
}

}  // namespace

ComBrowserWindow::ComBrowserWindow(ComPtr<IWebBrowser2> browser) : browser_(std::move(browser)) {
    // COM identity: the IUnknown of any two references to one object is the same pointer.
    ComPtr<IUnknown> unknown;
    if (browser_ && SUCCEEDED(browser_->QueryInterface(IID_PPV_ARGS(&unknown)))) {
        identity_ = reinterpret_cast<std::uintptr_t>(unknown.Get());
    }
}

std::optional<std::shared_ptr<platform::Dispatch>> ComBrowserWindow::Document() {
    if (!browser_)
        return std::nullopt;
    ComPtr<IDispatch> document;
    if (FAILED(browser_->get_Document(&document)))
        return std::nullopt;
    if (!document)
        return std::shared_ptr<platform::Dispatch>();
    return std::make_shared<ComDispatch>(std::move(document));
}

std::optional<bool> ComBrowserWindow::FullScreen() {
    return Read<VARIANT_BOOL, bool>(browser_.Get(), &IWebBrowser2::get_FullScreen, FromVariantBool);
}

std::optional<bool> ComBrowserWindow::MenuBar() {
    return Read<VARIANT_BOOL, bool>(browser_.Get(), &IWebBrowser2::get_MenuBar, FromVariantBool);
}

std::optional<std::wstring> ComBrowserWindow::LocationName() {
    if (!browser_)
        return std::nullopt;
    ScopedBstr name;
    if (FAILED(browser_->get_LocationName(name.put())))
        return std::nullopt;
    return name.str();
}

std::optional<std::int32_t> ComBrowserWindow::Width() {
    return Read<long, std::int32_t>(browser_.Get(), &IWebBrowser2::get_Width, FromLong);
}

std::optional<std::int32_t> ComBrowserWindow::Height() {
    return Read<long, std::int32_t>(browser_.Get(), &IWebBrowser2::get_Height, FromLong);
}

std::optional<platform::WindowHandle> ComBrowserWindow::Hwnd() {
    return Read<SHANDLE_PTR, platform::WindowHandle>(
        browser_.Get(), &IWebBrowser2::get_HWND,
        [](SHANDLE_PTR value) { return static_cast<platform::WindowHandle>(value); });
}

platform::WindowWalk::Step ComWindowWalk::Next() {
    using Status = Step::Status;
    ScopedVariant item;
    ULONG fetched = 0;
    const HRESULT hr = cursor_->Next(1, item.get(), &fetched);
    if (FAILED(hr))
        return {Status::Failed, nullptr};
    if (hr == S_FALSE || fetched == 0)
        return {Status::End, nullptr};

    ComPtr<IUnknown> object;
    if (V_VT(item.get()) == VT_DISPATCH) {
        object = V_DISPATCH(item.get());
    } else if (V_VT(item.get()) == VT_UNKNOWN) {
        object = V_UNKNOWN(item.get());
    } else if (V_VT(item.get()) != VT_EMPTY && V_VT(item.get()) != VT_NULL) {
        return {Status::Failed, nullptr};
    }
    // An item that is Nothing still takes its turn; every read of it fails.
    ComPtr<IWebBrowser2> browser;
    if (object && FAILED(object->QueryInterface(
                      kIID_IWebBrowser2, reinterpret_cast<void**>(browser.GetAddressOf())))) {
        // Not a browser window: the assignment to the loop variable fails.
        return {Status::Failed, nullptr};
    }
    return {Status::Window, std::make_shared<ComBrowserWindow>(std::move(browser))};
}

std::unique_ptr<platform::WindowWalk> ComShellWindows::Walk() {
    ComPtr<IUnknown> enumerator;
    if (!windows_ || FAILED(windows_->_NewEnum(&enumerator)) || !enumerator)
        return nullptr;
    ComPtr<IEnumVARIANT> cursor;
    if (FAILED(enumerator.As(&cursor)))
        return nullptr;
    return std::make_unique<ComWindowWalk>(std::move(cursor));
}

std::shared_ptr<platform::ShellWindows> ShellAutomationImpl::CreateShellWindows(
    WindowRegisteredHandler handler) {
    ComPtr<IShellWindows> windows;
    if (FAILED(CoCreateInstance(kCLSID_ShellWindows, nullptr, CLSCTX_ALL, kIID_IShellWindows,
                                reinterpret_cast<void**>(windows.GetAddressOf())))) {
        return nullptr;
    }
    auto connection = AdviseShellEvents(windows.Get(), std::move(handler));
    if (!connection)
        return nullptr;
    return std::make_shared<ComShellWindows>(std::move(windows), std::move(*connection));
}

}  // namespace shutterling::win32
