// The main window's tray menu: a pop-up menu whose chosen command reaches the
// window as WM_COMMAND before the pop-up call returns.
#pragma once

#include <windows.h>

#include "platform/menu.h"
#include "platform/win32/system/unique_handle.h"
#include "platform/win32/windows/main_window.h"

namespace shutterling::win32 {

struct MenuTraits {
    using Handle = HMENU;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return DestroyMenu(h) != FALSE; }
};
using UniqueMenu = detail::UniqueHandle<MenuTraits>;

// The command id of an item; 0 for the separator.
UINT MenuItemId(platform::MenuItem item);

class TrayMenu final : public platform::Menu {
  public:
    explicit TrayMenu(MainWindow& window);
    void PopupMenu(platform::MenuItem defaultItem) override;
    std::optional<std::wstring> Caption(platform::MenuItem item) override;
    bool SetCaption(platform::MenuItem item, const std::wstring& caption) override;
    HMENU handle() const { return menu_.get(); }

  private:
    MainWindow& window_;
    UniqueMenu menu_;
};

}  // namespace shutterling::win32
