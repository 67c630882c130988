// The whole fake platform: every fake logging into one CallLog, wired the way
// WinMain wires the real platform, plus the frmMain under test.
#pragma once

#include "app/frmMain.h"
#include "fakes/call_log.h"
#include "fakes/fake_about.h"
#include "fakes/fake_menu.h"
#include "fakes/fake_shell.h"
#include "fakes/fake_store.h"
#include "fakes/fake_system.h"
#include "fakes/fake_toolkit.h"
#include "fakes/fake_tray.h"
#include "platform/platform.h"

namespace shutterling::fakes {

struct FakePlatform {
    CallLog log;
    FakeShell shell{log};
    FakeSystem system{log};
    FakeApplication app{log};
    FakeForms forms;
    FakeFormWindow window{log, forms};
    FakeListBox lstPopups{log, "lstPopups"};
    FakeListBox lstSafe{log, "lstSafe"};
    FakeCheckBox chkBeep, chkReset, chkWindowStartup;
    FakeLabel lblCounter{log};
    FakeTray tray{log};
    FakeSettingsStore settings{log};
    FakeRegistry registry{log};
    FakeFileSystem files{log};
    FakeCodePage codePage;
    FakeAboutWindow about{log, forms};
    FakeLauncher launcher{log};
    FakeMenu menu{log};
    FakeImages images{log, window};

    platform::Platform platform{
        shell,
        system,
        app,
        window,
        {lstPopups, lstSafe, chkBeep, chkReset, chkWindowStartup, lblCounter},
        tray,
        settings,
        registry,
        files,
        codePage,
        about,
        launcher,
        menu,
        images};
    frmMain form{platform};

    FakePlatform() { window.form = &form; }
    FakePlatform(const FakePlatform&) = delete;
    FakePlatform& operator=(const FakePlatform&) = delete;
};

}  // namespace shutterling::fakes
