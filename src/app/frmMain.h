// The main window object, which is the application: its state, its events,
// and the operations other folders define on it.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"
#include "store/safe_list_carry.h"
#include "ui/frmAbout.h"
#include "watcher/closing_windows.h"

namespace shutterling {

// How lstPopups lists a blocked popup whose title is blank.
inline constexpr std::wstring_view kNoTitle = L"<No Title>";

class frmMain {
  public:
    explicit frmMain(platform::Platform& platform);
    ~frmMain();
    frmMain(const frmMain&) = delete;
    frmMain& operator=(const frmMain&) = delete;

    // --- state, in this order; everything starts zero, false, empty or nothing
    std::shared_ptr<platform::BrowserWindow> objBrowser;
    bool blnHideOnPaint = false;
    double dblBlockedCount = 0;
    std::wstring strDataFile;
    bool blnEnabled = false;
    std::shared_ptr<platform::ShellWindows> SWs;
    // What the data file held that the list could not (store/safe_list.cpp).
    store::SafeListCarry safeListCarry;
    // The popups asked to close that the shell may still hold (watcher/judgment.cpp).
    watcher::ClosingWindows closingWindows;

    // --- controls
    platform::ListBox& lstPopups;
    platform::ListBox& lstSafe;
    platform::CheckBox& chkBeep;
    platform::CheckBox& chkReset;
    platform::CheckBox& chkWindowStartup;
    platform::Label& lblCounter;

    // --- events (app/frmMain.cpp)
    void Form_Load();
    void Form_Paint();
    void Form_QueryUnload(std::int16_t& cancel, std::int16_t unloadMode);
    void Form_Unload();

    // --- operations on the state (app/frmMain.cpp)
    // Empty when the list cannot be read.
    std::optional<bool> IsInSafeList(std::wstring title);
    bool ShowBlockedCount();
    // False once Form_Unload has run: a handler that resumes after any call
    // that can nest (a COM read, DoEvents) stops then.
    bool IsLoaded() const { return loaded_; }

    // --- the shell's collection (app/frmMain.cpp)
    // Creates a new collection, takes the windows open now, subscribes in
    // place of the collection held, marks those windows and judges what
    // registered meanwhile; when that fails, tries again later on the
    // window's timer. At start-up, and whenever the shell has come back.
    void JoinShell();
    void tmrJoinShell_Timer();

    // --- the judgment (watcher/judgment.cpp, watcher/marking.cpp)
    void SWs_WindowRegistered(std::int32_t lCookie);
    std::optional<bool> HasPlainWindowOfSize(std::int32_t height, std::int32_t width);
    // Marks the windows that were open at a join (watcher::OpenWindows).
    void MarkExistingWindows(const std::vector<std::shared_ptr<platform::BrowserWindow>>& open);

    // --- the settings window's own actions (ui/main_window_events.cpp)
    void cmdDone_Click();
    void lstPopups_DblClick();
    void lstSafe_DblClick();

    // --- persistence (store/)
    void LoadOptions();   // store/options.cpp
    void SaveOptions();   // store/options.cpp
    void LoadSafeList();  // store/safe_list.cpp
    void SaveSafeList();  // store/safe_list.cpp

    // --- tray (tray/)
    void AddTrayIcon();
    void InstallWindowHook();
    void RemoveTrayIcon();
    void RemoveWindowHook();
    void RefreshTrayIcon();
    // The shell's taskbar was re-created (Explorer restarted): the icon is gone.
    void TaskbarCreated();
    void ToggleBlocking();

    // --- the tray menu's commands (tray/, about: ui/about_command.cpp)
    void mnuSettings_Click();
    void mnuDisable_Click();
    void mnuAbout_Click();
    void mnuExit_Click();

    platform::Platform& platform;
    // The About window's object; its window is loaded on demand and outlives
    // the main window's unload.
    frmAbout aboutForm{platform};

  private:
    friend class RunningPass;
    // One try of JoinShell with a new collection; false when it failed.
    bool JoinOnce(std::shared_ptr<platform::ShellWindows> joined);
    bool loaded_ = false;
    // The wait before the next try to join the shell, and the waits since the
    // last join (counted up to the first minute); 0 while joined.
    std::uint32_t lngJoinDelay_ = 0, lngJoinWaited_ = 0;
    bool joining_ = false, joinAgain_ = false;
    // A shell has just come back: the waits start again from the first.
    bool joinAnew_ = false;
    // Judgment passes running now, one inside another, and the windows they
    // have judged; forgotten when the outermost pass ends (watcher/judgment.cpp).
    int runningPasses_ = 0;
    std::vector<std::shared_ptr<platform::BrowserWindow>> judgedByRunningPasses_;
};

// Start-with-Windows registration (store/startup.cpp).
void SetStartWithWindows(platform::Platform& platform, const bool& flag);

}  // namespace shutterling
