// Placeholder until the persistence work lands: the safe list is not stored yet.
#include "app/frmMain.h"

namespace shutterling {
void frmMain::LoadSafeList() {}
void frmMain::SaveSafeList() {}
}  // namespace shutterling
