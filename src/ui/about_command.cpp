// The tray menu's About command.
#include "app/frmMain.h"

namespace shutterling {

// Shown by the About window branch.
void frmMain::mnuAbout_Click() {}

}  // namespace shutterling
