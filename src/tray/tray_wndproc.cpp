// The replacement window procedure of the main window: the tray icon's mouse
// actions become the tray menu or the settings window.
#include "app/frmMain.h"
#include "tray/tray_icon.h"

namespace shutterling::modCommon {

std::intptr_t TrayWndProc(platform::WindowHandle hWnd, std::uint32_t uMsg, std::uintptr_t wParam,
                          std::intptr_t lParam) {
    // Held for the whole call: the menu's Exit may run the shut-down inside.
    frmMain& form = *trayForm;
    auto& platform = form.platform;
    if (uMsg == WM_TRAYICON && lParam == kWmRButtonUp) {
        // Foreground first, or the menu does not close on a click elsewhere.
        platform.system.SetForegroundWindow(platform.window.Handle());
        platform.app.DoEvents();
        // An Exit that ran inside DoEvents has unloaded the window: no menu then.
        if (form.IsLoaded())
            platform.menu.PopupMenu(platform::MenuItem::mnuSettings);
    }
    if (uMsg == WM_TRAYICON && lParam == kWmLButtonDblClk)
        form.mnuSettings_Click();
    return platform.tray.CallWindowProcA(lngOldWndProc, hWnd, uMsg, wParam, lParam);
}

}  // namespace shutterling::modCommon
