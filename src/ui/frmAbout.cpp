// The About window's events and the launchers of the maker's web page and
// contact mail.
#include "ui/frmAbout.h"

#include "ui/maker.h"

namespace shutterling {
namespace {

void Launch(platform::Platform& platform, const std::wstring& address) {
    platform.launcher.ShellExecuteA(0, std::nullopt, platform.codePage.ToAnsi(address),
                                    std::nullopt, "C:\\", platform::kSwShowNormal);
}

}  // namespace

void frmAbout::Show() {
    // Already open: the same window comes forward and Form_Load does not run again.
    if (!platform.about.IsLoaded() && !platform.about.Load(*this))
        return;
    platform.about.Show();
}

void frmAbout::Form_Load() {
    auto& about = platform.about;
    about.lblURL().SetCaption(maker::kWebAddress);
    about.lblContact().SetCaption(maker::kContactAddress);
    about.lblURL().SetMouseIcon(about.imgHand().Picture());
    about.lblContact().SetMouseIcon(about.imgHand().Picture());
}

void frmAbout::cmdOK_Click() {
    platform.about.Unload();
}

void frmAbout::lblURL_Click() {
    modCommon::OpenWebSite(platform);
}

void frmAbout::lblContact_Click() {
    modCommon::OpenContactMail(platform);
}

namespace modCommon {

void OpenWebSite(platform::Platform& platform) {
    Launch(platform, maker::kWebAddress);
}

void OpenContactMail(platform::Platform& platform) {
    Launch(platform, std::wstring(L"mailto:") + maker::kContactAddress);
}

}  // namespace modCommon
}  // namespace shutterling
