// Placeholder until the persistence work lands.
#include "app/frmMain.h"

namespace shutterling {
void SetStartWithWindows(platform::Platform&, const bool&) {}
}  // namespace shutterling
