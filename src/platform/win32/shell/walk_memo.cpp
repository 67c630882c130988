#include "platform/win32/shell/walk_memo.h"

#include <tuple>

namespace shutterling::win32 {
namespace {

std::vector<std::tuple<PageModel, std::wstring, DISPID>> memberIds;  // for the program's life
std::shared_ptr<WalkMemo> passMemo;
int passDepth = 0;

}  // namespace

void WalkMemo::RememberType(Answerer identity, const std::wstring& name,
                            std::shared_ptr<void> held) {
    types_.emplace_back(identity, name);
    if (held)
        Hold(std::move(held));
}

PassScope::PassScope() {
    if (passDepth++ == 0)
        passMemo = std::make_shared<WalkMemo>();
}

PassScope::~PassScope() {
    if (--passDepth == 0)
        passMemo.reset();
}

std::shared_ptr<WalkMemo> PassScope::Memo() {
    return passMemo ? passMemo : std::make_shared<WalkMemo>();
}

std::optional<DISPID> KnownMemberId(PageModel model, const std::wstring& member) {
    for (const auto& [m, name, id] : memberIds) {
        if (m == model && name == member)
            return id;
    }
    return std::nullopt;
}

void RememberMemberId(PageModel model, const std::wstring& member, DISPID id) {
    memberIds.emplace_back(model, member, id);
}

}  // namespace shutterling::win32
