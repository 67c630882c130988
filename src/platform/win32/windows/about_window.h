// frmAbout's window: a fixed dialog with the program's version, the maker's
// credit and two links, whose events go to the core's frmAbout.
#pragma once

#include <windows.h>

#include "platform/about.h"
#include "platform/win32/windows/controls.h"
#include "platform/win32/windows/form.h"
#include "ui/control_ids.h"

namespace shutterling::win32 {

struct WindowTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return DestroyWindow(h) != FALSE; }
};
using UniqueWindow = detail::UniqueHandle<WindowTraits>;

// imgHand: the hand cursor of the resources, shared, never destroyed.
class CursorImage final : public platform::Image {
  public:
    explicit CursorImage(HINSTANCE instance) : instance_(instance) {}
    std::uintptr_t Picture() override;

  private:
    HINSTANCE instance_;
};

class AboutWindow final : public Form, public platform::AboutWindow {
  public:
    explicit AboutWindow(HINSTANCE instance) : Form(instance, kAboutForm), imgHand_(instance) {}
    ~AboutWindow() override;

    bool IsLoaded() override { return hwnd_ != nullptr; }
    bool Load(platform::AboutEvents& events) override;
    void Show() override;
    void Unload() override;
    platform::LinkLabel& lblURL() override { return lblURL_; }
    platform::LinkLabel& lblContact() override { return lblContact_; }
    platform::Image& imgHand() override { return imgHand_; }

  private:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(int id, int code) override;

    LinkLabelControl lblURL_{hwnd_, IDC_LBLURL};
    LinkLabelControl lblContact_{hwnd_, IDC_LBLCONTACT};
    CursorImage imgHand_;
    // Hidden owner: an owned window gets no taskbar button, and this one is
    // not the main window, so hiding or unloading that leaves About alone.
    UniqueWindow owner_;
    platform::AboutEvents* events_ = nullptr;
    bool centre_ = false;
};

// ShellExecuteA, for the About window's links.
class ShellLauncherImpl final : public platform::ShellLauncher {
  public:
    void ShellExecuteA(platform::WindowHandle owner, const std::optional<std::string>& operation,
                       const std::string& file, const std::optional<std::string>& parameters,
                       const std::string& directory, int show) override;
};

}  // namespace shutterling::win32
