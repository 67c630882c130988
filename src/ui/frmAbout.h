// The About window object and the two shell launchers of modCommon that its
// links call.
#pragma once

#include "platform/platform.h"

namespace shutterling {

class frmAbout final : public platform::AboutEvents {
  public:
    explicit frmAbout(platform::Platform& platform) : platform(platform) {}
    frmAbout(const frmAbout&) = delete;
    frmAbout& operator=(const frmAbout&) = delete;

    // Shows the window modeless, loading it first when it is not loaded.
    void Show();

    // --- events
    void Form_Load() override;
    void cmdOK_Click() override;
    void lblURL_Click() override;
    void lblContact_Click() override;

    platform::Platform& platform;
};

namespace modCommon {
void OpenWebSite(platform::Platform& platform);
void OpenContactMail(platform::Platform& platform);
}  // namespace modCommon

}  // namespace shutterling
