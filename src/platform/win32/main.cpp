// The program's entry: one apartment-threaded UI thread, the real platform
// wired to the core, and the message loop that everything runs from.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>

#include <optional>

#include "app/frmMain.h"
#include "platform/platform.h"
#include "platform/win32/shell/remote_calls.h"
#include "platform/win32/shell/shell_windows.h"
#include "platform/win32/system/application.h"
#include "platform/win32/system/persistence.h"
#include "platform/win32/system/system_calls.h"
#include "platform/win32/windows/about_window.h"
#include "platform/win32/windows/main_window.h"
#include "platform/win32/windows/tray_hook.h"
#include "platform/win32/windows/tray_menu.h"
#include "ui/control_ids.h"

namespace {

// Balances CoInitializeEx; declared before every COM reference so it goes last.
class ComApartment {
  public:
    ComApartment() : ok_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (ok_)
            CoUninitialize();
    }

  private:
    bool ok_;
};

// The window's events are frmMain's event procedures.
class FormEventsOf final : public shutterling::win32::FormEvents {
  public:
    explicit FormEventsOf(shutterling::frmMain& form) : form_(form) {}
    void Paint() override { form_.Form_Paint(); }
    void QueryUnload(std::int16_t& cancel, std::int16_t unloadMode) override {
        form_.Form_QueryUnload(cancel, unloadMode);
    }
    void Unload() override {
        // The shut-down never waits for a browser: calls still waiting end now.
        shutterling::win32::RemoteCalls::Get().Stop();
        form_.Form_Unload();
    }
    void DoneClick() override { form_.cmdDone_Click(); }
    void PopupsDblClick() override { form_.lstPopups_DblClick(); }
    void SafeDblClick() override { form_.lstSafe_DblClick(); }
    void MenuClick(int id) override {
        switch (id) {
            case IDM_SETTINGS:
                form_.mnuSettings_Click();
                break;
            case IDM_DISABLE:
                form_.mnuDisable_Click();
                break;
            case IDM_ABOUT:
                form_.mnuAbout_Click();
                break;
            case IDM_EXIT:
                form_.mnuExit_Click();
                break;
            default:
                break;
        }
    }
    void TaskbarCreated() override { form_.TaskbarCreated(); }
    void Timer() override { form_.tmrJoinShell_Timer(); }

  private:
    shutterling::frmMain& form_;
};

int RunMessageLoop() {
    MSG msg;
    BOOL got;
    while ((got = GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1)
            return 1;
        if (shutterling::win32::PreTranslateFormMessage(msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// The process ends within this of its windows, whatever the browsers do.
constexpr DWORD kDrainMs = 1000;

int Run(HINSTANCE instance) {
    using namespace shutterling;
    ComApartment apartment;

    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    // Made here, so that this thread is the one the shell's events are handed to.
    win32::RemoteCalls::Get();

    win32::ShellAutomationImpl shell;
    win32::SystemImpl system;
    win32::ApplicationImpl app;
    win32::TrayImpl tray;
    win32::SettingsStoreImpl settings;
    win32::RegistryImpl registry;
    win32::FileSystemImpl files;
    win32::CodePageImpl codePage;
    win32::ShellLauncherImpl launcher;
    // Before the main window: About may outlive its unload, and the loop ends
    // only when both are gone.
    win32::AboutWindow about(instance);
    win32::MainWindow window(instance);
    if (!window.Create())
        return 1;
    win32::TrayMenu menu(window);

    platform::Platform platform{
        shell,
        system,
        app,
        window,
        {window.lstPopups, window.lstSafe, window.chkBeep, window.chkReset, window.chkWindowStartup,
         window.lblCounter},
        tray,
        settings,
        registry,
        files,
        codePage,
        about,
        launcher,
        menu,
        window,
    };
    int exitCode = 0;
    {
        frmMain form(platform);
        FormEventsOf events(form);
        window.Attach(&events);
        form.Form_Load();  // a second instance ends inside
        window.Show();     // the start-up window; its first paint hides it
        exitCode = RunMessageLoop();
        // The shell references go before the apartment, whatever ended the loop.
        window.Attach(nullptr);
        form.objBrowser = nullptr;
        form.SWs = nullptr;
    }
    // A worker still inside a call into another process may hold a lock of
    // the COM runtime, which the runtime's own clean-up at ExitProcess would
    // then wait for without end: everything of ours is written and closed, so
    // the process ends without that clean-up.
    if (!win32::RemoteCalls::Get().Drain(kDrainMs))
        TerminateProcess(GetCurrentProcess(), static_cast<UINT>(exitCode));
    return exitCode;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    try {
        return Run(instance);
    } catch (...) {
        return 1;
    }
}
