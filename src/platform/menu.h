// The main window's hidden tray menu and the pictures of its hidden images.
#pragma once

#include <optional>
#include <string>

namespace shutterling::platform {

// The items of mnuSystemTrayPopup, in menu order.
enum class MenuItem { mnuSettings, mnuDisable, mnuAbout, mnuSeparator, mnuExit };

class Menu {
  public:
    virtual ~Menu() = default;
    // Shows mnuSystemTrayPopup at the cursor with defaultItem drawn bold.
    // Returns once the menu has closed and the chosen item's Click has run.
    virtual void PopupMenu(MenuItem defaultItem) = 0;
    virtual std::optional<std::wstring> Caption(MenuItem item) = 0;
    virtual bool SetCaption(MenuItem item, const std::wstring& caption) = 0;
};

enum class WindowPicture { imgEnabled, imgDisabled };

class Images {
  public:
    virtual ~Images() = default;
    // The main window's icon, big and small, becomes the image's picture.
    virtual void SetWindowIcon(WindowPicture image) = 0;
};

}  // namespace shutterling::platform
