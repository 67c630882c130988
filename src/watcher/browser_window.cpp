#include "watcher/browser_window.h"

#include <string>

namespace shutterling::watcher {
namespace {

// The object held by a member; empty when the member cannot be read or does
// not hold a live object (a member of Nothing cannot be reached).
std::shared_ptr<platform::Dispatch> ObjectMember(platform::Dispatch& from,
                                                 std::wstring_view member) {
    auto value = from.Get(member);
    if (!value || !value->IsObject())
        return nullptr;
    return value->object;
}

}  // namespace

std::optional<bool> IsHtmlWindow(platform::BrowserWindow& window) {
    auto document = window.Document();
    if (!document)
        return std::nullopt;
    if (!*document)
        return false;  // no document: its type name is not an HTML document's
    auto name = (*document)->ClassName();
    if (!name)
        return std::nullopt;
    return *name == kHtmlDocument;
}

std::optional<bool> IsScriptOpened(platform::Dispatch& document) {
    auto parentWindow = ObjectMember(document, L"parentwindow");
    if (!parentWindow)
        return std::nullopt;
    auto opener = parentWindow->Get(L"opener");
    if (!opener)
        return std::nullopt;
    return opener->IsObject();
}

bool ClearOpener(platform::Dispatch& document) {
    auto parentWindow = ObjectMember(document, L"parentwindow");
    return parentWindow && parentWindow->Put(L"opener", platform::Variant::Of(std::wstring()));
}

std::optional<bool> ReadOpenerClosed(platform::Dispatch& document) {
    auto parentWindow = ObjectMember(document, L"parentwindow");
    if (!parentWindow)
        return std::nullopt;
    auto opener = ObjectMember(*parentWindow, L"opener");
    if (!opener)
        return std::nullopt;
    auto parent = ObjectMember(*opener, L"Parent");
    if (!parent)
        return std::nullopt;
    auto closed = parent->Get(L"closed");
    if (!closed)
        return std::nullopt;
    return closed->AsBool();
}

}  // namespace shutterling::watcher
