// The whole fake platform: system calls, toolkit (controls as plain values,
// an event queue that DoEvents drains), tray, store fakes and the shell, all
// logging into one CallLog, plus the frmMain under test.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "fakes/call_log.h"
#include "fakes/fake_shell.h"
#include "fakes/fake_store.h"

namespace shutterling::fakes {

// Thrown by Application::End: the process would end here.
struct ProgramEnded {};

class FakeSystem : public platform::System {
  public:
    explicit FakeSystem(CallLog& log) : log_(log) {}
    bool ctrlDown = false;
    std::map<platform::WindowHandle, std::optional<platform::Rect>> placements;
    std::vector<platform::WindowHandle> closeRequests;
    int beeps = 0;

    std::int16_t GetKeyState(int virtualKey) override {
        log_.Add("GetKeyState " + std::to_string(virtualKey));
        return ctrlDown ? static_cast<std::int16_t>(0x8001) : 0;
    }
    std::optional<platform::Rect> GetWindowPlacement(platform::WindowHandle hwnd) override {
        log_.Add("GetWindowPlacement " + std::to_string(hwnd));
        auto it = placements.find(hwnd);
        if (it == placements.end())
            return std::nullopt;
        return it->second;
    }
    void PostMessageA(platform::WindowHandle hwnd, std::uint32_t msg, std::uintptr_t wParam,
                      std::intptr_t lParam) override {
        log_.Add("PostMessageA " + std::to_string(hwnd) + " " + std::to_string(msg) + " " +
                 std::to_string(wParam) + " " + std::to_string(lParam));
        if (msg == platform::kWmClose)
            closeRequests.push_back(hwnd);
    }
    void Beep(std::uint32_t frequency, std::uint32_t duration) override {
        log_.Add("Beep " + std::to_string(frequency) + " " + std::to_string(duration));
        ++beeps;
    }
    void SetForegroundWindow(platform::WindowHandle hwnd) override {
        log_.Add("SetForegroundWindow " + std::to_string(hwnd));
    }

  private:
    CallLog& log_;
};

class FakeListBox : public platform::ListBox {
  public:
    FakeListBox(CallLog& log, std::string name) : log_(log), name_(std::move(name)) {}
    std::vector<std::wstring> items;
    std::int16_t selected = -1;
    bool readsFail = false;
    bool addFails = false;

    std::optional<std::int16_t> ListCount() override {
        if (readsFail)
            return std::nullopt;
        return static_cast<std::int16_t>(items.size());
    }
    std::optional<std::wstring> List(std::int16_t index) override {
        if (readsFail || index < 0 || static_cast<std::size_t>(index) >= items.size())
            return std::nullopt;
        return items[static_cast<std::size_t>(index)];
    }
    std::optional<std::int16_t> ListIndex() override {
        if (readsFail)
            return std::nullopt;
        return selected;
    }
    bool AddItem(const std::wstring& item) override {
        log_.Add("AddItem " + name_ + " " + Narrow(item));
        if (addFails || items.size() >= static_cast<std::size_t>(platform::kListMax))
            return false;
        items.push_back(item);
        return true;
    }
    bool RemoveItem(std::int16_t index) override {
        log_.Add("RemoveItem " + name_ + " " + std::to_string(index));
        if (index < 0 || static_cast<std::size_t>(index) >= items.size())
            return false;
        items.erase(items.begin() + index);
        return true;
    }

  private:
    CallLog& log_;
    std::string name_;
};

class FakeCheckBox : public platform::CheckBox {
  public:
    std::int16_t value = 0;
    bool readFails = false;
    std::optional<std::int16_t> Value() override {
        if (readFails)
            return std::nullopt;
        return value;
    }
    bool SetValue(std::int16_t v) override {
        if (v < 0 || v > 2)
            return false;
        value = v;
        return true;
    }
};

class FakeLabel : public platform::Label {
  public:
    explicit FakeLabel(CallLog& log) : log_(log) {}
    std::wstring caption;
    bool writeFails = false;
    std::optional<std::wstring> Caption() override { return caption; }
    bool SetCaption(const std::wstring& text) override {
        log_.Add("SetCaption " + Narrow(text));
        if (writeFails)
            return false;
        caption = text;
        return true;
    }

  private:
    CallLog& log_;
};

class FakeApplication : public platform::Application {
  public:
    explicit FakeApplication(CallLog& log) : log_(log) {}
    std::optional<bool> prevInstance = false;
    std::optional<std::wstring> path = L"C:\\Tools";
    std::optional<std::wstring> exeName = L"Shutterling";
    std::deque<std::function<void()>> pending;  // what DoEvents runs

    void Post(std::function<void()> event) { pending.push_back(std::move(event)); }
    void DoEvents() override {
        log_.Add("DoEvents");
        while (!pending.empty()) {
            auto event = std::move(pending.front());
            pending.pop_front();
            event();
        }
    }
    std::optional<bool> PrevInstance() override {
        log_.Add("PrevInstance");
        return prevInstance;
    }
    std::optional<std::wstring> Path() override { return path; }
    std::optional<std::wstring> ExeName() override { return exeName; }
    std::wstring Title() override { return L"Shutterling"; }
    [[noreturn]] void End() override {
        log_.Add("End");
        throw ProgramEnded{};
    }
    void MsgBox(const std::wstring& text, const std::wstring& title, std::uint32_t style) override {
        log_.Add("MsgBox " + Narrow(text) + "|" + Narrow(title) + "|" + std::to_string(style));
    }

  private:
    CallLog& log_;
};

// The program's loaded windows: the process ends (quit) when the last one
// goes, as the real message loop does.
struct FakeForms {
    int loaded = 1;  // the main window is made before its Form_Load runs
    bool quit = false;
    void Loaded() { ++loaded; }
    void Destroyed() { quit = --loaded == 0; }
};

class FakeFormWindow : public platform::FormWindow {
  public:
    FakeFormWindow(CallLog& log, FakeForms& forms) : log_(log), forms_(forms) {}
    frmMain* form = nullptr;
    bool visible = false;
    bool unloaded = false;
    std::uintptr_t icon = 0x51C0;

    void Show() override {
        log_.Add("Show");
        visible = true;
    }
    void Hide() override {
        log_.Add("Hide");
        visible = false;
    }
    void Unload() override {
        log_.Add("Unload");
        std::int16_t cancel = 0;
        form->Form_QueryUnload(cancel, 1);
        if (cancel)
            return;
        form->Form_Unload();
        unloaded = true;
        visible = false;
        forms_.Destroyed();
    }
    platform::WindowHandle Handle() override { return 0xF00; }
    std::uintptr_t Icon() override { return icon; }

  private:
    CallLog& log_;
    FakeForms& forms_;
};

class FakeLinkLabel : public platform::LinkLabel {
  public:
    FakeLinkLabel(CallLog& log, std::string name) : log_(log), name_(std::move(name)) {}
    std::wstring caption;
    std::uintptr_t mouseIcon = 0;
    std::optional<std::wstring> Caption() override { return caption; }
    bool SetCaption(const std::wstring& text) override {
        log_.Add("SetCaption " + name_ + " " + Narrow(text));
        caption = text;
        return true;
    }
    bool SetMouseIcon(std::uintptr_t picture) override {
        log_.Add("SetMouseIcon " + name_ + " " + std::to_string(picture));
        mouseIcon = picture;
        return true;
    }

  private:
    CallLog& log_;
    std::string name_;
};

class FakeImage : public platform::Image {
  public:
    std::uintptr_t picture = 0xC0;
    std::uintptr_t Picture() override { return picture; }
};

// The About window: loading runs Form_Load as the toolkit does; unloading
// destroys the controls with their captions and pointers.
class FakeAboutWindow : public platform::AboutWindow {
    CallLog& log_;  // first: the labels below log through it
    FakeForms& forms_;

  public:
    FakeAboutWindow(CallLog& log, FakeForms& forms) : log_(log), forms_(forms) {}
    bool loaded = false;
    bool visible = false;
    bool loadFails = false;
    platform::AboutEvents* events = nullptr;
    FakeLinkLabel url{log_, "lblURL"}, contact{log_, "lblContact"};
    FakeImage hand;

    bool IsLoaded() override { return loaded; }
    bool Load(platform::AboutEvents& sink) override {
        log_.Add("AboutLoad");
        if (loadFails)
            return false;
        loaded = true;
        forms_.Loaded();
        events = &sink;
        events->Form_Load();
        return true;
    }
    void Show() override {
        log_.Add("AboutShow");
        if (loaded)
            visible = true;
    }
    void Unload() override {
        log_.Add("AboutUnload");
        if (!loaded)
            return;
        loaded = visible = false;
        url.caption.clear();
        contact.caption.clear();
        url.mouseIcon = contact.mouseIcon = 0;
        forms_.Destroyed();
    }
    platform::LinkLabel& lblURL() override { return url; }
    platform::LinkLabel& lblContact() override { return contact; }
    platform::Image& imgHand() override { return hand; }
};

class FakeLauncher : public platform::ShellLauncher {
  public:
    explicit FakeLauncher(CallLog& log) : log_(log) {}
    // One line per call: owner|operation|file|parameters|directory|show, "NULL"
    // for a null pointer.
    std::vector<std::string> calls;
    void ShellExecuteA(platform::WindowHandle owner, const std::optional<std::string>& operation,
                       const std::string& file, const std::optional<std::string>& parameters,
                       const std::string& directory, int show) override {
        calls.push_back(std::to_string(owner) + "|" + operation.value_or("NULL") + "|" + file +
                        "|" + parameters.value_or("NULL") + "|" + directory + "|" +
                        std::to_string(show));
        log_.Add("ShellExecuteA " + calls.back());
    }

  private:
    CallLog& log_;
};

class FakeTray : public platform::Tray {
  public:
    explicit FakeTray(CallLog& log) : log_(log) {}
    std::vector<std::pair<platform::TrayOp, platform::TrayRecord>> calls;
    std::intptr_t previousProc = 0x7700;

    void ShellNotifyIcon(platform::TrayOp op, const platform::TrayRecord& record) override {
        log_.Add("Shell_NotifyIconA " + std::to_string(static_cast<int>(op)));
        calls.emplace_back(op, record);
    }
    std::intptr_t InstallTrayWndProc(platform::WindowHandle hwnd) override {
        log_.Add("SetWindowLongA " + std::to_string(hwnd) + " TrayWndProc");
        return previousProc;
    }
    void RestoreWndProc(platform::WindowHandle hwnd, std::intptr_t previous) override {
        log_.Add("SetWindowLongA " + std::to_string(hwnd) + " " + std::to_string(previous));
    }
    // The saved procedure's result: distinct per message, so a caller that
    // returns anything else is caught.
    static std::intptr_t ResultOf(std::uint32_t msg, std::intptr_t lParam) {
        return static_cast<std::intptr_t>(msg) * 1000 + lParam;
    }
    std::intptr_t CallWindowProcA(std::intptr_t proc, platform::WindowHandle hwnd,
                                  std::uint32_t msg, std::uintptr_t wParam,
                                  std::intptr_t lParam) override {
        log_.Add("CallWindowProcA " + std::to_string(proc) + " " + std::to_string(hwnd) + " " +
                 std::to_string(msg) + " " + std::to_string(wParam) + " " + std::to_string(lParam));
        return ResultOf(msg, lParam);
    }

  private:
    CallLog& log_;
};

inline const char* NameOf(platform::MenuItem item) {
    static const char* const names[] = {"mnuSettings", "mnuDisable", "mnuAbout", "mnuSeparator",
                                        "mnuExit"};
    return names[static_cast<int>(item)];
}

// The tray menu: captions as values; what the user does while it is open is
// the test's onPopup (choosing an item runs its Click there, as the real menu
// does before it returns).
class FakeMenu : public platform::Menu {
  public:
    explicit FakeMenu(CallLog& log) : log_(log) {}
    std::map<platform::MenuItem, std::wstring> captions{
        {platform::MenuItem::mnuSettings, L"Settings"},
        {platform::MenuItem::mnuDisable, L"Disable"},
        {platform::MenuItem::mnuAbout, L"About"},
        {platform::MenuItem::mnuSeparator, L"-"},
        {platform::MenuItem::mnuExit, L"Exit"}};
    std::function<void()> onPopup;

    void PopupMenu(platform::MenuItem defaultItem) override {
        log_.Add(std::string("PopupMenu ") + NameOf(defaultItem));
        if (auto action = onPopup)
            action();
        log_.Add("PopupMenu closed");
    }
    std::optional<std::wstring> Caption(platform::MenuItem item) override { return captions[item]; }
    bool SetCaption(platform::MenuItem item, const std::wstring& caption) override {
        log_.Add(std::string("SetMenuCaption ") + NameOf(item) + " " + Narrow(caption));
        captions[item] = caption;
        return true;
    }

  private:
    CallLog& log_;
};

// The two pictures as distinct icon handles that become the window's icon.
class FakeImages : public platform::Images {
  public:
    static constexpr std::uintptr_t kEnabledIcon = 0xE1;
    static constexpr std::uintptr_t kDisabledIcon = 0xD1;
    FakeImages(CallLog& log, FakeFormWindow& window) : log_(log), window_(window) {}
    void SetWindowIcon(platform::WindowPicture image) override {
        const bool enabled = image == platform::WindowPicture::imgEnabled;
        log_.Add(std::string("SetWindowIcon ") + (enabled ? "imgEnabled" : "imgDisabled"));
        window_.icon = enabled ? kEnabledIcon : kDisabledIcon;
    }

  private:
    CallLog& log_;
    FakeFormWindow& window_;
};

// Everything wired together, the way WinMain wires the real platform.
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
