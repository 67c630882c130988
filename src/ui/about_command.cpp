// The tray menu's About command.
#include "app/frmMain.h"

namespace shutterling {

void frmMain::mnuAbout_Click() {
    aboutForm.Show();
}

}  // namespace shutterling
