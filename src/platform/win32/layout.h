// The main window's controls as data: kind, container, caption and twip
// rectangle, in tab order (the creation order decides the focus order).
#pragma once

#include <array>

#include "ui/control_ids.h"

namespace shutterling::win32 {

enum class ControlKind { Frame, ListBox, CheckBox, Label, Button };

struct ControlLayout {
    int id;
    ControlKind kind;
    int container;  // 0 = the window, otherwise the frame whose corner is the origin
    const wchar_t* caption;
    int left, top, width, height;  // twips
};

inline constexpr int kMainClientWidth = 6375;  // twips
inline constexpr int kMainClientHeight = 6840;
inline constexpr int kTwipsPerInch = 1440;

inline constexpr std::array<ControlLayout, 12> kMainLayout{{
    {IDC_CMDDONE, ControlKind::Button, 0, L"&Done", 5265, 6345, 990, 345},
    {IDC_LBLCOUNTER, ControlKind::Label, 0, L"", 150, 6405, 3990, 255},
    {IDC_FRASAFE, ControlKind::Frame, 0, L"Safe list", 112, 3360, 6135, 2865},
    {IDC_LSTSAFE, ControlKind::ListBox, IDC_FRASAFE, L"", 120, 870, 5910, 1815},
    {IDC_LBLCAPTION, ControlKind::Label, IDC_FRASAFE,
     L"Double click on the popups blocked to add them to safe list. Once added, they will not "
     L"be blocked again. To remove from safe list double click on the name.",
     150, 180, 5910, 405},
    {IDC_FRASETTINGS, ControlKind::Frame, 0, L"Settings", 120, 0, 6135, 990},
    {IDC_CHKWINDOWSTARTUP, ControlKind::CheckBox, IDC_FRASETTINGS, L"Start when windows starts",
     135, 510, 2430, 270},
    {IDC_CHKRESET, ControlKind::CheckBox, IDC_FRASETTINGS, L"Reset popups blocked counter", 2730,
     210, 3240, 195},
    {IDC_CHKBEEP, ControlKind::CheckBox, IDC_FRASETTINGS, L"Beep when popups blocked", 135, 210,
     2430, 270},
    {IDC_FRAADS, ControlKind::Frame, 0, L"Popups blocked", 112, 1020, 6135, 2325},
    {IDC_LSTPOPUPS, ControlKind::ListBox, IDC_FRAADS, L"", 105, 285, 5940, 1815},
    {IDC_LBLINFOCONTINUE, ControlKind::Label, IDC_FRASAFE,
     L"Hold down the Ctrl key to disable Shutterling and release the key to resume it. ", 150, 615,
     5835, 285},
}};

// Twips to whole pixels at the given dots per inch, rounded to nearest.
constexpr int TwipsToPixels(int twips, int dpi) {
    return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

}  // namespace shutterling::win32
