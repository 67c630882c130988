// At a join every HTML window already open is marked as judged, so only
// windows that appear while the program runs are ever judged.
#include "app/frmMain.h"
#include "watcher/browser_window.h"

namespace shutterling {

namespace watcher {

std::vector<std::shared_ptr<platform::BrowserWindow>> OpenWindows(const frmMain& form,
                                                                  platform::ShellWindows& joined) {
    std::vector<std::shared_ptr<platform::BrowserWindow>> open;
    auto walk = joined.Walk();
    if (!walk || !form.IsLoaded())
        return open;
    while (auto window = NextWindow(form, *walk))
        open.push_back(std::move(window));
    return open;
}

}  // namespace watcher

void frmMain::MarkExistingWindows(
    const std::vector<std::shared_ptr<platform::BrowserWindow>>& open) {
    // A window left unmarked here would be judged later as a new popup.
    watcher::Waits full(*this, false);
    for (const auto& window : open) {
        if (!loaded_)
            return;
        objBrowser = window;
        // A document whose type cannot be read is marked all the same.
        if (auto document = watcher::HtmlDocument(*this, *window))
            watcher::ClearOpener(*this, *document);
    }
    objBrowser = nullptr;
}

}  // namespace shutterling
