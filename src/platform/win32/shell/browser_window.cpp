// The reads of a browser window: a failing call is an empty optional, never
// an exception, so the judgment can decide what each failure means.
#include "platform/win32/shell/browser_window.h"

#include "platform/win32/shell/late_bound.h"

namespace shutterling::win32 {
namespace {

// The browser's properties, read through the window's own IDispatch by the
// ids its type library gives them: the item the collection hands out is that
// IDispatch already, and asking it for IWebBrowser2 first would cost a round
// trip, and another to release the second interface.
constexpr DISPID kDispidDocument = 203;
constexpr DISPID kDispidLocationName = 210;
constexpr DISPID kDispidWidth = 208;
constexpr DISPID kDispidHeight = 209;
constexpr DISPID kDispidMenuBar = 406;
constexpr DISPID kDispidFullScreen = 407;
constexpr DISPID kDispidHwnd = -515;  // DISPID_HWND
constexpr DISPID kDispidQuit = 300;

// One property of the browser as `type` (VT_EMPTY: as it comes), converted:
// empty when there is no browser, the read fails or gives something else, or
// the window does not answer in time.
template <class Result, class Convert>
platform::Read<Result> Read(const RemoteRef<IDispatch>& browser, Answerer who, DISPID id,
                            VARTYPE type, Convert convert) {
    if (!browser)
        return std::nullopt;
    return CallRemote<Result>(
        who, [browser, id, type, convert](DWORD deadline) -> std::optional<Result> {
            ScopedVariant value, typed;
            if (FAILED(InvokeRetrying(browser.get(), id, DISPATCH_PROPERTYGET, deadline,
                                      value.get())) ||
                (type != VT_EMPTY && FAILED(VariantChangeType(typed.get(), value.get(), 0, type))))
                return std::nullopt;
            return convert(type == VT_EMPTY ? *value : *typed);
        });
}

bool AsBool(const VARIANT& v) {
    return V_BOOL(&v) != VARIANT_FALSE;
}

std::int32_t AsInt32(const VARIANT& v) {
    return static_cast<std::int32_t>(V_I4(&v));
}

}  // namespace

platform::Read<std::shared_ptr<platform::Dispatch>> ComBrowserWindow::Document() {
    using Document = std::shared_ptr<platform::Dispatch>;
    auto document = Read<Document>(
        browser_, identity_, kDispidDocument, VT_EMPTY,
        [who = identity_](const VARIANT& value) -> std::optional<Document> {
            // No document is an empty reference; anything else is not a document.
            const auto document = FromVariant(value, who);
            if (document.IsObject() || document.kind == platform::Variant::Kind::Empty ||
                document.kind == platform::Variant::Kind::Null)
                return document.object;
            return std::nullopt;
        });
    if (document && *document)
        static_cast<ComDispatch*>(document->get())->Join(memo_, PageModel::Unknown);
    return document;
}

platform::Read<bool> ComBrowserWindow::FullScreen() {
    return Read<bool>(browser_, identity_, kDispidFullScreen, VT_BOOL, AsBool);
}

platform::Read<bool> ComBrowserWindow::MenuBar() {
    return Read<bool>(browser_, identity_, kDispidMenuBar, VT_BOOL, AsBool);
}

platform::Read<std::wstring> ComBrowserWindow::LocationName() {
    return Read<std::wstring>(browser_, identity_, kDispidLocationName, VT_BSTR,
                              [](const VARIANT& v) { return TextOf(V_BSTR(&v)); });
}

platform::Read<std::int32_t> ComBrowserWindow::Width() {
    return Read<std::int32_t>(browser_, identity_, kDispidWidth, VT_I4, AsInt32);
}

platform::Read<std::int32_t> ComBrowserWindow::Height() {
    return Read<std::int32_t>(browser_, identity_, kDispidHeight, VT_I4, AsInt32);
}

platform::Read<platform::WindowHandle> ComBrowserWindow::Hwnd() {
    // A handle travels as a 32-bit number, or a 64-bit one from a 64-bit browser.
    return Read<platform::WindowHandle>(
        browser_, identity_, kDispidHwnd, VT_I8,
        [](const VARIANT& v) { return static_cast<platform::WindowHandle>(V_I8(&v)); });
}

bool ComBrowserWindow::Quit() {
    if (!browser_)
        return false;
    auto quit = CallRemote<bool>(identity_, [browser = browser_](DWORD deadline) {
        return SUCCEEDED(InvokeRetrying(browser.get(), kDispidQuit, DISPATCH_METHOD, deadline));
    });
    return quit.value_or(false);
}

}  // namespace shutterling::win32
