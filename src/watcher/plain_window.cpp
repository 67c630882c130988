// Whether an ordinary (not script-opened) HTML window has a given restored
// size: popups sized like a real browser window are not closed on size alone.
#include <cstdint>

#include "app/frmMain.h"
#include "watcher/browser_window.h"

namespace shutterling {

std::optional<bool> frmMain::HasPlainWindowOfSize(std::int32_t height, std::int32_t width) {
    // Unlike the judgment, this fails as a whole on the first read that fails;
    // a shut-down inside one of its reads fails it too. A failure can let a
    // popup through for good, so every read waits in full.
    watcher::Waits full(*this, false);
    auto walk = watcher::WalkWindows(*this);
    if (!walk)
        return std::nullopt;
    for (;;) {
        if (!loaded_)
            return std::nullopt;
        auto step = walk->Next();
        if (!loaded_ || step.status == platform::WindowWalk::Step::Status::Failed)
            return std::nullopt;
        if (step.status == platform::WindowWalk::Step::Status::End)
            return false;
        auto window = step.window;
        // A popup asked to close is script-opened: skipped without a read.
        if (closingWindows.Has(*window))
            continue;

        auto document = window->Document();
        if (!document || !loaded_)
            return std::nullopt;
        if (!*document)
            continue;  // no document, so not an HTML window
        auto className = (*document)->ClassName();
        if (!className || !loaded_)
            return std::nullopt;
        if (*className != watcher::kHtmlDocument)
            continue;
        auto opened = watcher::IsScriptOpened(*this, **document);
        if (!opened || !loaded_)
            return std::nullopt;
        if (*opened)
            continue;  // the candidate itself is skipped here too

        auto hwnd = window->Hwnd();
        if (!hwnd || !loaded_)
            return std::nullopt;
        auto rect = platform.system.GetWindowPlacement(*hwnd);
        if (!rect)
            continue;
        // 64-bit arithmetic: a wrapped difference must not match by accident.
        auto restoredHeight = std::int64_t{rect->bottom} - rect->top;
        auto restoredWidth = std::int64_t{rect->right} - rect->left;
        if (restoredHeight == height && restoredWidth == width)
            return true;
    }
}

}  // namespace shutterling
