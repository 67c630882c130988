// Everything the core reaches the world through, wired once by WinMain (real)
// or by a test (fakes).
#pragma once

#include "platform/about.h"
#include "platform/files.h"
#include "platform/menu.h"
#include "platform/registry.h"
#include "platform/settings.h"
#include "platform/shell.h"
#include "platform/system.h"
#include "platform/toolkit.h"
#include "platform/tray.h"

namespace shutterling::platform {

struct MainWindowControls {
    ListBox& lstPopups;
    ListBox& lstSafe;
    CheckBox& chkBeep;
    CheckBox& chkReset;
    CheckBox& chkWindowStartup;
    Label& lblCounter;
};

struct Platform {
    ShellAutomation& shell;
    System& system;
    Application& app;
    FormWindow& window;
    MainWindowControls controls;
    Tray& tray;
    SettingsStore& settings;
    Registry& registry;
    FileSystem& files;
    CodePage& codePage;
    AboutWindow& about;
    ShellLauncher& launcher;
    // The tray menu and the window icon it switches.
    Menu& menu;
    Images& images;
};

}  // namespace shutterling::platform
