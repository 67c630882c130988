// Control identifiers of the program's windows and its menu commands, shared
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

/* The About window. */
#define SHUTTERLING_ABOUT_CLASS L"ShutterlingAbout"
#define IDC_CMDOK 200
#define IDC_LBLTITLE 201
#define IDC_LBLURL 202
#define IDC_LABEL2 203
#define IDC_LBLCONTACT 204
#define IDC_LABEL1 205
#define IDC_LABEL4 206

/* Commands of the tray menu, sent to the main window as WM_COMMAND. */
#define IDM_SETTINGS 40001
#define IDM_DISABLE 40002
#define IDM_ABOUT 40003
#define IDM_EXIT 40005

#endif
