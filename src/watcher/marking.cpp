// At start-up every HTML window already open is marked as judged, so only
// windows that appear while the program runs are ever judged.
#include "app/frmMain.h"
#include "watcher/browser_window.h"

namespace shutterling {

void frmMain::MarkExistingWindows() {
    auto walk = SWs ? SWs->Walk() : nullptr;
    if (!walk)
        return;
    for (auto step = walk->Next(); step.status == platform::WindowWalk::Step::Status::Window;
         step = walk->Next()) {
        objBrowser = step.window;
        // A document whose type cannot be read is marked all the same.
        if (watcher::IsHtmlWindow(*objBrowser) == false)
            continue;
        auto document = objBrowser->Document();
        if (document && *document)
            watcher::ClearOpener(**document);
    }
    objBrowser = nullptr;
}

}  // namespace shutterling
