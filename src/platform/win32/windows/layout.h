// The windows' controls as data: kind, container, caption and twip
// rectangle, in tab order (the creation order decides the focus order).
#pragma once

#include <array>
#include <span>

#include "ui/control_ids.h"
#include "ui/maker.h"

namespace shutterling::win32 {

// Link: a label that reports clicks, drawn blue and underlined.
enum class ControlKind { Frame, ListBox, CheckBox, Label, Button, Link };

struct ControlLayout {
    int id;
    ControlKind kind;
    int container;  // 0 = the window, otherwise the frame whose corner is the origin
    const wchar_t* caption;
    int left, top, width, height;  // twips
};

inline constexpr int kMainClientWidth = 6375;  // twips
inline constexpr int kMainClientHeight = 7155;
inline constexpr int kTwipsPerInch = 1440;

// The two texts at the top of the safe list are taller than their classic
// boxes (three lines and two lines of the dialog font): they are grown to hold
// them, and the list, the frame and what lies below move down to make room.
inline constexpr std::array<ControlLayout, 12> kMainLayout{{
    {IDC_CMDDONE, ControlKind::Button, 0, L"&Done", 5265, 6660, 990, 345},
    {IDC_LBLCOUNTER, ControlKind::Label, 0, L"", 150, 6720, 3990, 255},
    {IDC_FRASAFE, ControlKind::Frame, 0, L"Safe list", 112, 3360, 6135, 3180},
    {IDC_LSTSAFE, ControlKind::ListBox, IDC_FRASAFE, L"", 120, 1185, 5910, 1815},
    {IDC_LBLCAPTION, ControlKind::Label, IDC_FRASAFE,
     L"Double click on the popups blocked to add them to safe list. Once added, they will not "
     L"be blocked again. To remove from safe list double click on the name.",
     150, 180, 5910, 585},
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
     L"Hold down the Ctrl key to disable Shutterling and release the key to resume it. ", 150, 795,
     5835, 390},
}};

inline constexpr int kAboutClientWidth = 4065;  // twips
inline constexpr int kAboutClientHeight = 2715;

inline constexpr std::array<ControlLayout, 7> kAboutLayout{{
    {IDC_CMDOK, ControlKind::Button, 0, L"OK", 2625, 2220, 1260, 345},
    {IDC_LBLTITLE, ControlKind::Label, 0, L"Shutterling version 1.0.0", 210, 255, 2160, 240},
    {IDC_LBLURL, ControlKind::Link, 0, L"", 660, 645, 3225, 240},
    {IDC_LABEL2, ControlKind::Label, 0, maker::kCreditLine, 210, 1095, 3660, 240},
    {IDC_LBLCONTACT, ControlKind::Link, 0, L"", 945, 1500, 2400, 240},
    {IDC_LABEL1, ControlKind::Label, 0, L"URL :", 195, 660, 435, 270},
    {IDC_LABEL4, ControlKind::Label, 0, L"Contact :", 210, 1500, 720, 240},
}};

// A straight line drawn on the window: grey level, width in pixels at 96 dpi,
// end points in twips.
struct LineLayout {
    int grey;
    int width;
    int x1, y1, x2, y2;
};

// The etched separator: a grey line with a white one just below it.
inline constexpr std::array<LineLayout, 2> kAboutLines{{
    {128, 1, 60, 2025, 3900, 2025},
    {255, 2, 90, 2055, 3855, 2040},
}};

// One window's layout: client size, controls, lines, and which buttons Enter
// and Esc press (0: none).
struct FormLayout {
    int clientWidth, clientHeight;  // twips
    std::span<const ControlLayout> controls;
    std::span<const LineLayout> lines;
    int defaultButton;
    int cancelButton;
};

inline constexpr FormLayout kMainForm{
    kMainClientWidth, kMainClientHeight, kMainLayout, {}, IDC_CMDDONE, 0};
inline constexpr FormLayout kAboutForm{kAboutClientWidth, kAboutClientHeight, kAboutLayout,
                                       kAboutLines,       IDC_CMDOK,          IDC_CMDOK};

// Twips to whole pixels at the given dots per inch, rounded to nearest.
constexpr int TwipsToPixels(int twips, int dpi) {
    return (twips * dpi + kTwipsPerInch / 2) / kTwipsPerInch;
}

}  // namespace shutterling::win32
