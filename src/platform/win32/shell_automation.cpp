// Reads of browser windows: a failing call is an empty optional, never an
// exception, so the judgment can decide what each failure means.
#include "platform/win32/shell_automation.h"

#include "platform/win32/com_dispatch.h"

namespace shutterling::win32 {
namespace {

// One property of the browser: empty when there is no browser, the getter
// fails, or the window does not answer in time. The value is converted only
// after the getter has filled it.
template <class Value, class Result, class Convert>
std::optional<Result> Read(const RemoteRef<IWebBrowser2>& browser, Answerer who,
                           HRESULT (STDMETHODCALLTYPE IWebBrowser2::*get)(Value*),
                           Convert convert) {
    if (!browser)
        return std::nullopt;
    return CallRemote<Result>(
        who, [browser, get, convert](DWORD deadline) -> std::optional<Result> {
            Value value{};
            if (FAILED(RetryWhileBusy(deadline, [&] { return (browser.get()->*get)(&value); })))
                return std::nullopt;
            return convert(value);
        });
}

bool FromVariantBool(VARIANT_BOOL value) {
    return value != VARIANT_FALSE;
}

std::int32_t FromLong(long value) {
    return static_cast<std::int32_t>(value);
}

// What the collection's cursor handed out, before the window is asked anything.
struct Fetched {
    platform::WindowWalk::Step::Status status;
    RemoteRef<IUnknown> identity;  // null for an item that is Nothing
};

// The browser interface of a fetched window: a failure means it is not a
// browser window; an empty optional means it did not answer.
struct AsBrowser {
    HRESULT hr;
    RemoteRef<IWebBrowser2> browser;
};

}  // namespace

ComBrowserWindow::ComBrowserWindow(RemoteRef<IWebBrowser2> browser, RemoteRef<IUnknown> identity)
    : browser_(std::move(browser)), identity_(std::move(identity)) {}

std::optional<std::shared_ptr<platform::Dispatch>> ComBrowserWindow::Document() {
    if (!browser_)
        return std::nullopt;
    const Answerer who = Identity();
    return CallRemote<std::shared_ptr<platform::Dispatch>>(
        who,
        [browser = browser_,
         who](DWORD deadline) -> std::optional<std::shared_ptr<platform::Dispatch>> {
            IDispatch* document = nullptr;
            if (FAILED(RetryWhileBusy(deadline, [&] { return browser->get_Document(&document); })))
                return std::nullopt;
            if (!document)
                return std::shared_ptr<platform::Dispatch>();
            return std::make_shared<ComDispatch>(AdoptRemote(document, who), who);
        });
}

std::optional<bool> ComBrowserWindow::FullScreen() {
    return Read<VARIANT_BOOL, bool>(browser_, Identity(), &IWebBrowser2::get_FullScreen,
                                    FromVariantBool);
}

std::optional<bool> ComBrowserWindow::MenuBar() {
    return Read<VARIANT_BOOL, bool>(browser_, Identity(), &IWebBrowser2::get_MenuBar,
                                    FromVariantBool);
}

std::optional<std::wstring> ComBrowserWindow::LocationName() {
    if (!browser_)
        return std::nullopt;
    return CallRemote<std::wstring>(
        Identity(), [browser = browser_](DWORD deadline) -> std::optional<std::wstring> {
            ScopedBstr name;
            if (FAILED(RetryWhileBusy(deadline,
                                      [&] { return browser->get_LocationName(name.put()); })))
                return std::nullopt;
            return name.str();
        });
}

std::optional<std::int32_t> ComBrowserWindow::Width() {
    return Read<long, std::int32_t>(browser_, Identity(), &IWebBrowser2::get_Width, FromLong);
}

std::optional<std::int32_t> ComBrowserWindow::Height() {
    return Read<long, std::int32_t>(browser_, Identity(), &IWebBrowser2::get_Height, FromLong);
}

std::optional<platform::WindowHandle> ComBrowserWindow::Hwnd() {
    return Read<SHANDLE_PTR, platform::WindowHandle>(
        browser_, Identity(), &IWebBrowser2::get_HWND,
        [](SHANDLE_PTR value) { return static_cast<platform::WindowHandle>(value); });
}

platform::WindowWalk::Step ComWindowWalk::Next() {
    using Status = Step::Status;
    auto fetched = CallRemote<Fetched>(kShell, [cursor = cursor_](DWORD deadline) -> Fetched {
        ScopedVariant item;
        ULONG count = 0;
        const HRESULT hr =
            RetryWhileBusy(deadline, [&] { return cursor->Next(1, item.get(), &count); });
        if (FAILED(hr))
            return {Status::Failed, nullptr};
        if (hr == S_FALSE || count == 0)
            return {Status::End, nullptr};
        IUnknown* object = nullptr;
        if (V_VT(item.get()) == VT_DISPATCH) {
            object = V_DISPATCH(item.get());
        } else if (V_VT(item.get()) == VT_UNKNOWN) {
            object = V_UNKNOWN(item.get());
        } else if (V_VT(item.get()) != VT_EMPTY && V_VT(item.get()) != VT_NULL) {
            return {Status::Failed, nullptr};
        }
        // COM identity: the IUnknown of any two references to one object is
        // the same pointer, and a proxy answers it without a call.
        IUnknown* identity = nullptr;
        if (object && FAILED(object->QueryInterface(IID_PPV_ARGS(&identity))))
            return {Status::Failed, nullptr};
        return {Status::Window, AdoptRemote(identity, reinterpret_cast<Answerer>(identity))};
    });
    if (!fetched)
        return {Status::Failed, nullptr};
    if (fetched->status != Status::Window)
        return {fetched->status, nullptr};
    auto identity = std::move(fetched->identity);
    // An item that is Nothing still takes its turn; every read of it fails.
    if (!identity)
        return {Status::Window, std::make_shared<ComBrowserWindow>(nullptr, nullptr)};

    // The shell answered; whether the window does is its own matter: one that
    // does not is handed out all the same, and every read of it fails.
    const auto who = reinterpret_cast<Answerer>(identity.get());
    auto asBrowser = CallRemote<AsBrowser>(who, [identity, who](DWORD deadline) -> AsBrowser {
        IWebBrowser2* browser = nullptr;
        const HRESULT hr = RetryWhileBusy(deadline, [&] {
            return identity->QueryInterface(kIID_IWebBrowser2, reinterpret_cast<void**>(&browser));
        });
        return {hr, SUCCEEDED(hr) ? AdoptRemote(browser, who) : nullptr};
    });
    if (!asBrowser)
        return {Status::Window, std::make_shared<ComBrowserWindow>(nullptr, std::move(identity))};
    // Not a browser window: the assignment to the loop variable fails.
    if (FAILED(asBrowser->hr) || !asBrowser->browser)
        return {Status::Failed, nullptr};
    return {Status::Window,
            std::make_shared<ComBrowserWindow>(std::move(asBrowser->browser), std::move(identity))};
}

std::unique_ptr<platform::WindowWalk> ComShellWindows::Walk() {
    if (!windows_)
        return nullptr;
    auto cursor = CallRemote<RemoteRef<IEnumVARIANT>>(
        kShell, [windows = windows_](DWORD deadline) -> RemoteRef<IEnumVARIANT> {
            ComPtr<IUnknown> enumerator;
            if (FAILED(RetryWhileBusy(deadline, [&] { return windows->_NewEnum(&enumerator); })) ||
                !enumerator) {
                return nullptr;
            }
            IEnumVARIANT* cursor = nullptr;
            if (FAILED(enumerator->QueryInterface(IID_PPV_ARGS(&cursor))))
                return nullptr;
            return AdoptRemote(cursor, kShell);
        });
    if (!cursor || !*cursor)
        return nullptr;
    return std::make_unique<ComWindowWalk>(std::move(*cursor));
}

std::shared_ptr<platform::ShellWindows> ShellAutomationImpl::CreateShellWindows(
    WindowRegisteredHandler handler) {
    struct Created {
        RemoteRef<IShellWindows> windows;
        std::optional<ConnectionToken> connection;
    };
    auto created = CallRemote<Created>(
        kShell, [handler = std::move(handler)](DWORD) mutable -> std::optional<Created> {
            IShellWindows* windows = nullptr;
            if (FAILED(CoCreateInstance(kCLSID_ShellWindows, nullptr, CLSCTX_ALL,
                                        kIID_IShellWindows, reinterpret_cast<void**>(&windows)))) {
                return std::nullopt;
            }
            Created out{AdoptRemote(windows, kShell), std::nullopt};
            out.connection = AdviseShellEvents(windows, std::move(handler));
            return out;
        });
    if (!created || !created->connection)
        return nullptr;
    return std::make_shared<ComShellWindows>(std::move(created->windows),
                                             std::move(*created->connection));
}

}  // namespace shutterling::win32
