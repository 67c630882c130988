// The tray menu and the window icon it switches.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "fakes/call_log.h"
#include "fakes/fake_toolkit.h"
#include "platform/menu.h"

namespace shutterling::fakes {

// An item by its name, as the log writes it.
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

}  // namespace shutterling::fakes
