// A browser window of the shell's collection, read through its own IDispatch.
#pragma once

#include "platform/win32/shell/variants.h"

namespace shutterling::win32 {

// A read that fails is empty, never an exception: the judgment decides what it
// means. A null browser is an item that is Nothing: every read fails.
class ComBrowserWindow final : public platform::BrowserWindow {
  public:
    // The identity stays the browser's own while the browser is held.
    ComBrowserWindow(RemoteRef<IDispatch> browser, Answerer identity,
                     std::shared_ptr<WalkMemo> memo = nullptr)
        : browser_(std::move(browser)), identity_(identity), memo_(std::move(memo)) {}

    platform::Read<std::shared_ptr<platform::Dispatch>> Document() override {
        using Document = std::shared_ptr<platform::Dispatch>;
        auto document = Ask<Document>(
            kDocument, VT_EMPTY,
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
    platform::Read<bool> FullScreen() override { return Ask<bool>(kFullScreen, VT_BOOL, AsBool); }
    platform::Read<bool> MenuBar() override { return Ask<bool>(kMenuBar, VT_BOOL, AsBool); }
    platform::Read<std::wstring> LocationName() override {
        return Ask<std::wstring>(kLocationName, VT_BSTR,
                                 [](const VARIANT& v) { return TextOf(V_BSTR(&v)); });
    }
    platform::Read<std::int32_t> Width() override {
        return Ask<std::int32_t>(kWidth, VT_I4, AsInt);
    }
    platform::Read<std::int32_t> Height() override {
        return Ask<std::int32_t>(kHeight, VT_I4, AsInt);
    }
    platform::Read<platform::WindowHandle> Hwnd() override {
        // A handle travels as a 32-bit number, or a 64-bit one from a 64-bit browser.
        return Ask<platform::WindowHandle>(kHwnd, VT_I8, [](const VARIANT& v) {
            return static_cast<platform::WindowHandle>(V_I8(&v));
        });
    }
    bool Quit() override {
        return Ask<bool>(
                   kQuit, VT_EMPTY, [](const VARIANT&) { return true; }, DISPATCH_METHOD)
            .value_or(false);
    }
    std::uintptr_t Identity() const override { return identity_; }

  private:
    // The type library's ids, read through the window's own IDispatch, which the
    // collection hands out: IWebBrowser2 would cost a round trip, and its release another.
    static constexpr DISPID kDocument = 203, kLocationName = 210, kWidth = 208, kHeight = 209,
                            kMenuBar = 406, kFullScreen = 407, kHwnd = -515 /* DISPID_HWND */,
                            kQuit = 300;

    static bool AsBool(const VARIANT& v) { return V_BOOL(&v) != VARIANT_FALSE; }
    static std::int32_t AsInt(const VARIANT& v) { return static_cast<std::int32_t>(V_I4(&v)); }

    // A property read (or a method called), its answer as `type` (VT_EMPTY: as
    // it comes) converted; empty when the call fails, gives something else, or
    // is not answered in time.
    template <class Result, class Convert>
    platform::Read<Result> Ask(DISPID id, VARTYPE type, Convert convert,
                               WORD kind = DISPATCH_PROPERTYGET) {
        if (!browser_)
            return std::nullopt;
        return CallRemote<Result>(
            identity_,
            [browser = browser_, id, type, convert, kind](DWORD deadline) -> std::optional<Result> {
                ScopedVariant value, typed;
                if (FAILED(InvokeRetrying(browser.get(), id, kind, deadline, value.get())) ||
                    (type != VT_EMPTY &&
                     FAILED(VariantChangeType(typed.get(), value.get(), 0, type))))
                    return std::nullopt;
                return convert(type == VT_EMPTY ? *value : *typed);
            });
    }

    RemoteRef<IDispatch> browser_;
    Answerer identity_;
    std::shared_ptr<WalkMemo> memo_;
};

}  // namespace shutterling::win32
