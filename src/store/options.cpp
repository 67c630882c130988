// Placeholder until the persistence work lands: the options are not stored yet.
#include "app/frmMain.h"

namespace shutterling {
void frmMain::LoadOptions() {}
void frmMain::SaveOptions() {}
}  // namespace shutterling
