#include "watcher/browser_window.h"

#include <string>

#include "app/frmMain.h"

namespace shutterling::watcher {
namespace {

using Object = platform::Read<std::shared_ptr<platform::Dispatch>>;

// The object held by a member; empty when the member cannot be read, does
// not hold a live object (a member of Nothing cannot be reached), or the
// program unloaded during the read; unanswered when its answerer is silent.
Object ObjectMember(const frmMain& form, platform::Dispatch& from, std::wstring_view member) {
    auto value = from.Get(member);
    if (!form.IsLoaded())
        return std::nullopt;
    if (value.Unanswered())
        return Object::NoAnswer();
    if (!value || !value->IsObject() || !value->object)
        return std::nullopt;
    return value->object;
}

}  // namespace

Waits::Waits(const frmMain& form, bool brief)
    : shell_(form.platform.shell), outer_(shell_.SetBriefWaits(brief)) {}

Waits::~Waits() {
    shell_.SetBriefWaits(outer_);
}

std::unique_ptr<platform::WindowWalk> WalkWindows(const frmMain& form) {
    auto shell = form.SWs;
    if (!shell || !form.IsLoaded())
        return nullptr;
    auto walk = shell->Walk();
    return form.IsLoaded() ? std::move(walk) : nullptr;
}

std::shared_ptr<platform::BrowserWindow> NextWindow(const frmMain& form, platform::WindowWalk& walk,
                                                    bool* atEnd) {
    if (!form.IsLoaded())
        return nullptr;
    auto step = walk.Next();
    if (!form.IsLoaded())
        return nullptr;
    if (atEnd)
        *atEnd = step.status == platform::WindowWalk::Step::Status::End;
    if (step.status != platform::WindowWalk::Step::Status::Window)
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
    // A type read that fails with an error counts as an HTML document's; one
    // that goes unanswered says nothing, and the window waits for a later event.
    if (!form.IsLoaded() || name.Unanswered() || (name && *name != kHtmlDocument))
        return nullptr;
    return *document;
}

platform::Read<bool> IsScriptOpened(const frmMain& form, platform::Dispatch& document) {
    auto parentWindow = ObjectMember(form, document, L"parentwindow");
    if (!parentWindow)
        return platform::Read<bool>::Missing(parentWindow);
    auto opener = (*parentWindow)->Get(L"opener");
    if (!opener)
        return platform::Read<bool>::Missing(opener);
    return opener->IsObject();
}

bool ClearOpener(const frmMain& form, platform::Dispatch& document) {
    auto parentWindow = ObjectMember(form, document, L"parentwindow");
    return parentWindow && (*parentWindow)->Put(L"opener", platform::Variant::Of(std::wstring()));
}

platform::Read<bool> ReadOpenerClosed(const frmMain& form, platform::Dispatch& document) {
    auto parentWindow = ObjectMember(form, document, L"parentwindow");
    if (!parentWindow)
        return platform::Read<bool>::Missing(parentWindow);
    auto opener = ObjectMember(form, **parentWindow, L"opener");
    if (!opener)
        return platform::Read<bool>::Missing(opener);
    // From here on the opener page answers: not answering is its failure, and
    // a failed probe blocks, so its answer is waited for in full.
    Waits full(form, false);
    auto parent = ObjectMember(form, **opener, L"Parent");
    if (!parent)
        return std::nullopt;
    auto closed = (*parent)->Get(L"closed");
    if (!closed)
        return std::nullopt;
    return closed->AsBool();
}

}  // namespace shutterling::watcher
