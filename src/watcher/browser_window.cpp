#include "watcher/browser_window.h"

#include <string>

#include "app/frmMain.h"

namespace shutterling::watcher {
namespace {

// The object held by a member; empty when the member cannot be read, does
// not hold a live object (a member of Nothing cannot be reached), or the
// program unloaded during the read.
std::shared_ptr<platform::Dispatch> ObjectMember(const frmMain& form, platform::Dispatch& from,
                                                 std::wstring_view member) {
    auto value = from.Get(member);
    if (!form.IsLoaded() || !value || !value->IsObject())
        return nullptr;
    return value->object;
}

}  // namespace

std::unique_ptr<platform::WindowWalk> WalkWindows(const frmMain& form) {
    auto shell = form.SWs;
    if (!shell || !form.IsLoaded())
        return nullptr;
    auto walk = shell->Walk();
    return form.IsLoaded() ? std::move(walk) : nullptr;
}

std::shared_ptr<platform::BrowserWindow> NextWindow(const frmMain& form,
                                                    platform::WindowWalk& walk) {
    if (!form.IsLoaded())
        return nullptr;
    auto step = walk.Next();
    if (!form.IsLoaded() || step.status != platform::WindowWalk::Step::Status::Window)
        return nullptr;
    return step.window;
}

std::optional<bool> IsHtmlWindow(const frmMain& form, platform::BrowserWindow& window) {
    auto document = window.Document();
    if (!document || !form.IsLoaded())
        return std::nullopt;
    if (!*document)
        return false;  // no document: its type name is not an HTML document's
    auto name = (*document)->ClassName();
    if (!name)
        return std::nullopt;
    return *name == kHtmlDocument;
}

std::shared_ptr<platform::Dispatch> HtmlDocument(const frmMain& form,
                                                 platform::BrowserWindow& window) {
    auto document = window.Document();
    if (!form.IsLoaded() || !document || !*document)
        return nullptr;
    auto name = (*document)->ClassName();
    if (!form.IsLoaded() || (name && *name != kHtmlDocument))
        return nullptr;
    return *document;
}

std::optional<bool> IsScriptOpened(const frmMain& form, platform::Dispatch& document) {
    auto parentWindow = ObjectMember(form, document, L"parentwindow");
    if (!parentWindow)
        return std::nullopt;
    auto opener = parentWindow->Get(L"opener");
    if (!opener)
        return std::nullopt;
    return opener->IsObject();
}

bool ClearOpener(const frmMain& form, platform::Dispatch& document) {
    auto parentWindow = ObjectMember(form, document, L"parentwindow");
    return parentWindow && parentWindow->Put(L"opener", platform::Variant::Of(std::wstring()));
}

std::optional<bool> ReadOpenerClosed(const frmMain& form, platform::Dispatch& document) {
    auto parentWindow = ObjectMember(form, document, L"parentwindow");
    if (!parentWindow)
        return std::nullopt;
    auto opener = ObjectMember(form, *parentWindow, L"opener");
    if (!opener)
        return std::nullopt;
    auto parent = ObjectMember(form, *opener, L"Parent");
    if (!parent)
        return std::nullopt;
    auto closed = parent->Get(L"closed");
    if (!closed)
        return std::nullopt;
    return closed->AsBool();
}

}  // namespace shutterling::watcher
