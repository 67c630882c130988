// At start-up every HTML window already open is marked as judged, so only
// windows that appear while the program runs are ever judged.
#include "app/frmMain.h"
#include "watcher/browser_window.h"

namespace shutterling {

void frmMain::MarkExistingWindows() {
    auto walk = SWs ? SWs->Walk() : nullptr;
    if (!walk)
        return;
    // Popups registering now are judged inside these reads, and that handler
    // releases objBrowser: read through a reference of our own.
    while (auto window = watcher::NextWindow(*this, *walk)) {
        objBrowser = window;
        auto document = window->Document();
        if (!loaded_)
            return;
        if (!document || !*document)
            continue;
        // A document whose type cannot be read is marked all the same.
        auto className = (*document)->ClassName();
        if (!loaded_)
            return;
        if (!className || *className == watcher::kHtmlDocument)
            watcher::ClearOpener(*this, **document);
    }
    objBrowser = nullptr;
}

}  // namespace shutterling
