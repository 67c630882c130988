// The tray menu's commands and the blocking toggle behind its second item.
#include "app/frmMain.h"

namespace shutterling {

void frmMain::mnuSettings_Click() {
    if (!loaded_)
        return;
    platform.window.Show();
    // Shown from the tray, the window would otherwise open behind the active one.
    platform.system.SetForegroundWindow(platform.window.Handle());
}

void frmMain::mnuDisable_Click() {
    ToggleBlocking();
}

void frmMain::mnuExit_Click() {
    platform.window.Unload();
}

void frmMain::ToggleBlocking() {
    if (blnEnabled) {
        blnEnabled = false;
        platform.menu.SetCaption(platform::MenuItem::mnuDisable, L"Enable");
        platform.images.SetWindowIcon(platform::WindowPicture::imgDisabled);
    } else {
        blnEnabled = true;
        platform.menu.SetCaption(platform::MenuItem::mnuDisable, L"Disable");
        platform.images.SetWindowIcon(platform::WindowPicture::imgEnabled);
    }
    // Last: the tray takes its icon and tooltip from what was just set.
    RefreshTrayIcon();
}

}  // namespace shutterling
