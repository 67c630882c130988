// At start-up every HTML window already open is marked as judged, so only
// windows that appear while the program runs are ever judged.
#include "app/frmMain.h"
#include "watcher/browser_window.h"

namespace shutterling {

void frmMain::MarkExistingWindows() {
    // A window left unmarked here would be judged later as a new popup.
    watcher::Waits full(*this, false);
    auto walk = watcher::WalkWindows(*this);
    if (!walk)
        return;
    // Popups registering now are judged inside these reads, and that handler
    // releases objBrowser: read through a reference of our own.
    while (auto window = watcher::NextWindow(*this, *walk)) {
        objBrowser = window;
        // A document whose type cannot be read is marked all the same.
        if (auto document = watcher::HtmlDocument(*this, *window))
            watcher::ClearOpener(*this, *document);
    }
    objBrowser = nullptr;
}

}  // namespace shutterling
