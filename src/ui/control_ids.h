// Control identifiers of the main window's controls and tray menu, shared
// with the test tools that read the running program through window messages.
// Plain C so any tool can include it.
#ifndef SHUTTERLING_UI_CONTROL_IDS_H
#define SHUTTERLING_UI_CONTROL_IDS_H

#define SHUTTERLING_MAIN_CLASS L"ShutterlingMain"
#define SHUTTERLING_MAIN_TITLE L"Shutterling"

#define IDC_CMDDONE 100
#define IDC_LSTPOPUPS 101
#define IDC_LSTSAFE 102
#define IDC_CHKBEEP 103
#define IDC_CHKRESET 104
#define IDC_CHKWINDOWSTARTUP 105
#define IDC_LBLCOUNTER 106
#define IDC_FRAADS 107
#define IDC_FRASETTINGS 108
#define IDC_FRASAFE 109
#define IDC_LBLINFOCONTINUE 110
#define IDC_LBLCAPTION 111

/* The tray menu's items; the separator has none. */
#define IDM_SETTINGS 40001
#define IDM_DISABLE 40002
#define IDM_ABOUT 40003
#define IDM_EXIT 40005

#endif
