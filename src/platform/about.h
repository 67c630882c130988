// The About window as the toolkit sees it, and the shell launch its links use.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/shell.h"
#include "platform/toolkit.h"

namespace shutterling::platform {

// A hidden image that only holds a picture (a cursor here).
class Image {
  public:
    virtual ~Image() = default;
    virtual std::uintptr_t Picture() = 0;  // 0 when it holds none
};

// A label whose mouse pointer can be set from an image's picture.
class LinkLabel : public Label {
  public:
    virtual bool SetMouseIcon(std::uintptr_t picture) = 0;
};

// What the About window reports to the object behind it (frmAbout).
class AboutEvents {
  public:
    virtual ~AboutEvents() = default;
    virtual void Form_Load() = 0;
    virtual void cmdOK_Click() = 0;  // a click, Enter or Esc
    virtual void lblURL_Click() = 0;
    virtual void lblContact_Click() = 0;
};

class AboutWindow {
  public:
    virtual ~AboutWindow() = default;
    virtual bool IsLoaded() = 0;
    // Creates the window and its controls, hidden, then runs events.Form_Load;
    // later events of this window go to events. False when it cannot be made.
    virtual bool Load(AboutEvents& events) = 0;
    // Modeless and brought forward; centred on the screen after a fresh load.
    virtual void Show() = 0;
    // Closes and destroys the window; Load makes a new one.
    virtual void Unload() = 0;
    virtual LinkLabel& lblURL() = 0;
    virtual LinkLabel& lblContact() = 0;
    virtual Image& imgHand() = 0;
};

inline constexpr int kSwShowNormal = 1;

class ShellLauncher {
  public:
    virtual ~ShellLauncher() = default;
    // ShellExecuteA(owner, operation, file, parameters, directory, show); an
    // empty operation or parameters is a null pointer. The result is not examined.
    virtual void ShellExecuteA(WindowHandle owner, const std::optional<std::string>& operation,
                               const std::string& file,
                               const std::optional<std::string>& parameters,
                               const std::string& directory, int show) = 0;
};

}  // namespace shutterling::platform
