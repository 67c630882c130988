// What the settings window does itself: Done (with the counter reset), and
// moving titles onto and off the safe list by double-clicks.
#include "app/frmMain.h"

namespace shutterling {
namespace {

constexpr std::uint32_t kMbIconInformation = 64;

}  // namespace

void frmMain::cmdDone_Click() {
    if (chkReset.Value() == std::optional<std::int16_t>(1)) {
        dblBlockedCount = 0;
        ShowBlockedCount();
        chkReset.SetValue(0);
    }
    platform.window.Hide();
}

void frmMain::lstPopups_DblClick() {
    // A double-click beside the entries selects nothing: there is nothing to add.
    auto index = lstPopups.ListIndex();
    if (!index || *index < 0)
        return;
    auto title = lstPopups.List(*index);
    if (!title)
        return;
    if (*title == kNoTitle) {
        platform.app.MsgBox(L"You can not add this to safe list as the page has no title",
                            platform.app.Title(), kMbIconInformation);
        return;
    }
    lstSafe.AddItem(*title);
}

void frmMain::lstSafe_DblClick() {
    auto index = lstSafe.ListIndex();
    if (!index || *index < 0)
        return;
    lstSafe.RemoveItem(*index);
}

}  // namespace shutterling
