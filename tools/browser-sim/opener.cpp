#include "opener.h"

#include <oleauto.h>

#include <memory>

#include "com_util.h"
#include "document.h"
#include "references.h"
#include "shell.h"

namespace sim {
namespace {

// References to the window's window object for popups on other threads to pass on.
std::shared_ptr<ReferenceStock> ScriptStock(BrowserWindow& w) {
    // A window or page on a thread of its own made its stock when it opened, there.
    if (!w.scriptRefs) {
        LONG cookie = w.cookie;
        w.scriptRefs = std::make_shared<ReferenceStock>(
            w.script.Get(), Utf8(w.name) + ".window",
            [cookie] { Shell::Get().AskRefillScript(cookie); }, [] { return true; });
        w.scriptRefs->Refill();
    }
    return w.scriptRefs;
}

}  // namespace

bool SetOpener(BrowserWindow& w, std::wstring& error) {
    Variant value;
    VARIANT& v = *value.Out();
    const WindowProps p = w.Settings();
    auto standIn = [&](ClosedMode mode) {
        V_VT(&v) = VT_DISPATCH;
        V_DISPATCH(&v) = new HtmlWindowObj({}, "opener-of-" + Utf8(w.name), mode);
    };
    switch (p.opener) {
        case OpenerKind::None:
        case OpenerKind::Fail:
            break;
        case OpenerKind::Empty:
            V_VT(&v) = VT_BSTR;
            V_BSTR(&v) = SysAllocString(L"");
            break;
        case OpenerKind::Null:
            V_VT(&v) = VT_NULL;
            break;
        case OpenerKind::Object:
            standIn(p.closed == ClosedMode::Live ? ClosedMode::False : p.closed);
            break;
        case OpenerKind::Window: {
            auto opener = Shell::Get().Find(p.openerWindow);
            if (!opener) {
                error = L"no open window named " + p.openerWindow;
                return false;
            }
            if (p.closed == ClosedMode::Live) {
                V_VT(&v) = VT_DISPATCH;
                // The opener's window object is answered by the opener's page:
                // a popup served by another thread passes on a reference made
                // on the opener's thread, never marshals the object itself.
                if (p.ownThread || p.ownPage || opener->thread || opener->page) {
                    V_DISPATCH(&v) = NewForwarder(ScriptStock(*opener));
                } else {
                    V_DISPATCH(&v) = opener->script.Get();
                    opener->script->AddRef();
                }
            } else {
                standIn(p.closed);
            }
            break;
        }
    }
    w.script->SetOpener(&v);
    return true;
}

}  // namespace sim
