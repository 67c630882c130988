// Reads of browser windows: a failing call is an empty optional, never an
// exception, so the judgment can decide what each failure means.
#include "platform/win32/shell/shell_automation.h"

#include "platform/win32/shell/com_dispatch.h"

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

// One property of the browser, converted to `type`: empty when there is no
// browser, the read fails or gives something else, or the window does not
// answer in time.
template <class Result, class Convert>
platform::Read<Result> Read(const RemoteRef<IDispatch>& browser, Answerer who, DISPID id,
                            VARTYPE type, Convert convert) {
    if (!browser)
        return std::nullopt;
    return CallRemote<Result>(
        who, [browser, id, type, convert](DWORD deadline) -> std::optional<Result> {
            ScopedVariant value;
            if (FAILED(GetProperty(browser.get(), id, value.get(), deadline)))
                return std::nullopt;
            ScopedVariant typed;
            if (FAILED(VariantChangeType(typed.get(), value.get(), 0, type)))
                return std::nullopt;
            return convert(*typed);
        });
}

bool AsBool(const VARIANT& v) {
    return V_BOOL(&v) != VARIANT_FALSE;
}

std::int32_t AsInt32(const VARIANT& v) {
    return static_cast<std::int32_t>(V_I4(&v));
}

}  // namespace

ComBrowserWindow::ComBrowserWindow(RemoteRef<IDispatch> browser, Answerer identity,
                                   std::shared_ptr<WalkMemo> memo)
    : browser_(std::move(browser)), identity_(identity), memo_(std::move(memo)) {}

platform::Read<std::shared_ptr<platform::Dispatch>> ComBrowserWindow::Document() {
    if (!browser_)
        return std::nullopt;
    const Answerer who = Identity();
    auto document = CallRemote<std::shared_ptr<platform::Dispatch>>(
        who,
        [browser = browser_,
         who](DWORD deadline) -> std::optional<std::shared_ptr<platform::Dispatch>> {
            ScopedVariant value;
            if (FAILED(GetProperty(browser.get(), kDispidDocument, value.get(), deadline)))
                return std::nullopt;
            // No document is an empty reference; anything else is not a document.
            const auto document = FromVariant(*value, who);
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
    return Read<bool>(browser_, Identity(), kDispidFullScreen, VT_BOOL, AsBool);
}

platform::Read<bool> ComBrowserWindow::MenuBar() {
    return Read<bool>(browser_, Identity(), kDispidMenuBar, VT_BOOL, AsBool);
}

platform::Read<std::wstring> ComBrowserWindow::LocationName() {
    return Read<std::wstring>(browser_, Identity(), kDispidLocationName, VT_BSTR,
                              [](const VARIANT& v) { return TextOf(V_BSTR(&v)); });
}

platform::Read<std::int32_t> ComBrowserWindow::Width() {
    return Read<std::int32_t>(browser_, Identity(), kDispidWidth, VT_I4, AsInt32);
}

platform::Read<std::int32_t> ComBrowserWindow::Height() {
    return Read<std::int32_t>(browser_, Identity(), kDispidHeight, VT_I4, AsInt32);
}

platform::Read<platform::WindowHandle> ComBrowserWindow::Hwnd() {
    // A handle travels as a 32-bit number, or a 64-bit one from a 64-bit browser.
    return Read<platform::WindowHandle>(
        browser_, Identity(), kDispidHwnd, VT_I8,
        [](const VARIANT& v) { return static_cast<platform::WindowHandle>(V_I8(&v)); });
}

bool ComBrowserWindow::Quit() {
    if (!browser_)
        return false;
    auto quit = CallRemote<bool>(Identity(), [browser = browser_](DWORD deadline) {
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        return SUCCEEDED(
            InvokeRetrying(browser.get(), kDispidQuit, DISPATCH_METHOD, &none, nullptr, deadline));
    });
    return quit.value_or(false);
}

namespace {

// What one item of the cursor is. On a worker.
ComWindowWalk::Item ItemOf(const VARIANT& item, Answerer shell) {
    using Status = platform::WindowWalk::Step::Status;
    const VARTYPE type = V_VT(&item);
    // Nothing still takes its turn.
    if (type == VT_EMPTY || type == VT_NULL || (type == VT_DISPATCH && !V_DISPATCH(&item)) ||
        (type == VT_UNKNOWN && !V_UNKNOWN(&item)))
        return {Status::Window, nullptr};
    // Not an object, or not one with IDispatch: the assignment to the loop variable fails.
    IDispatch* browser = DispatchIn(item);
    const Answerer identity = IdentityOf(browser);
    if (!identity) {
        RemoteCalls::Get().Release(shell, browser);
        return {Status::Failed, nullptr};
    }
    return {Status::Window, AdoptRemote(browser, identity), identity};
}

}  // namespace

platform::WindowWalk::Step ComWindowWalk::Next() {
    using Status = Step::Status;
    if (next_ == ahead_.size() && !ended_) {
        // Many windows a round trip: the cursor is still asked in order, and
        // a failed fetch still ends the walk where it happens.
        struct Batch {
            bool failed = false, ended = false;
            std::vector<Item> items;
        };
        auto batch = CallRemote<Batch>(shell_, [cursor = cursor_, shell = shell_](DWORD deadline) {
            Batch out;
            out.items.reserve(kWalkBatch);   // push_back then cannot throw past a VariantClear
            VARIANT items[kWalkBatch] = {};  // all VT_EMPTY
            ULONG count = 0;
            const HRESULT hr =
                RetryWhileBusy(deadline, [&] { return cursor->Next(kWalkBatch, items, &count); });
            out.failed = FAILED(hr);
            out.ended = hr == S_FALSE || count == 0;
            for (ULONG i = 0; i < kWalkBatch; ++i) {
                if (!out.failed && i < count)
                    out.items.push_back(ItemOf(items[i], shell));
                VariantClear(&items[i]);
            }
            return out;
        });
        if (!batch || batch->failed)
            return {Status::Failed, nullptr};
        ended_ = batch->ended;
        ahead_ = std::move(batch->items);
        next_ = 0;
        // Held by the pass, so a later walk of it meets the same proxies
        // rather than releasing these and making new ones.
        for (const auto& item : ahead_) {
            if (memo_ && item.browser)
                memo_->Hold(item.browser);
        }
    }
    if (next_ == ahead_.size())
        return {Status::End, nullptr};
    Item item = std::move(ahead_[next_++]);
    if (item.status != Status::Window) {
        next_ = ahead_.size();  // the walk ends at a failed fetch
        return {item.status, nullptr};
    }
    return {Status::Window,
            std::make_shared<ComBrowserWindow>(std::move(item.browser), item.identity, memo_)};
}

std::unique_ptr<platform::WindowWalk> ComShellWindows::Walk() {
    if (!windows_)
        return nullptr;
    auto cursor = CallRemote<RemoteRef<IEnumVARIANT>>(
        shell_, [windows = windows_, shell = shell_](DWORD deadline) -> RemoteRef<IEnumVARIANT> {
            ComPtr<IUnknown> enumerator;
            if (FAILED(RetryWhileBusy(deadline, [&] { return windows->_NewEnum(&enumerator); })) ||
                !enumerator) {
                return nullptr;
            }
            IEnumVARIANT* cursor = nullptr;
            if (FAILED(enumerator->QueryInterface(IID_PPV_ARGS(&cursor))))
                return nullptr;
            return AdoptRemote(cursor, shell);
        });
    if (!cursor || !*cursor)
        return nullptr;
    return std::make_unique<ComWindowWalk>(std::move(*cursor), shell_);
}

std::shared_ptr<platform::ShellWindows> ShellAutomationImpl::CreateShellWindows(
    WindowRegisteredHandler handler) {
    struct Created {
        RemoteRef<IShellWindows> windows;
        std::optional<ConnectionToken> connection;
    };
    auto created = CallRemote<Created>(
        shell_,
        [handler = std::move(handler), shell = shell_](DWORD) mutable -> std::optional<Created> {
            IShellWindows* windows = nullptr;
            if (FAILED(CoCreateInstance(kCLSID_ShellWindows, nullptr, CLSCTX_ALL,
                                        kIID_IShellWindows, reinterpret_cast<void**>(&windows)))) {
                return std::nullopt;
            }
            Created out{AdoptRemote(windows, shell), std::nullopt};
            out.connection = AdviseShellEvents(windows, std::move(handler), shell);
            return out;
        });
    if (!created || !created->connection)
        return nullptr;
    auto joined = std::make_shared<ComShellWindows>(std::move(created->windows),
                                                    std::move(*created->connection), shell_);
    ++shell_;  // far below any object's address, which is every other answerer
    return joined;
}

}  // namespace shutterling::win32
