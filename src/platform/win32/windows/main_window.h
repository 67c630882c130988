// frmMain's window: a hidden-at-first top-level window with the settings
// controls, whose events go to the core's frmMain.
#pragma once

#include <windows.h>

#include "platform/menu.h"
#include "platform/toolkit.h"
#include "platform/win32/windows/controls.h"
#include "platform/win32/windows/form.h"
#include "ui/control_ids.h"

namespace shutterling::win32 {

// What the window reports to the object behind it (frmMain in the program).
class FormEvents {
  public:
    virtual ~FormEvents() = default;
    virtual void Paint() = 0;
    // cancel is in/out: set it to non-zero to refuse the close.
    virtual void QueryUnload(std::int16_t& cancel, std::int16_t unloadMode) = 0;
    virtual void Unload() = 0;
    // The window's own actions: Done pressed, an entry of a list double-clicked.
    virtual void DoneClick() = 0;
    virtual void PopupsDblClick() = 0;
    virtual void SafeDblClick() = 0;
    // A tray menu item was chosen (IDM_*).
    virtual void MenuClick(int id) = 0;
    // The shell's taskbar was re-created.
    virtual void TaskbarCreated() = 0;
    // The window's timer is due.
    virtual void Timer() = 0;
};

struct IconTraits {
    using Handle = HICON;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return DestroyIcon(h) != FALSE; }
};
using UniqueIcon = detail::UniqueHandle<IconTraits>;

// One hidden image's picture at the window's two icon sizes.
struct Picture {
    UniqueIcon big;
    UniqueIcon small;
};

// The hidden images imgEnabled and imgDisabled; a base of the window, so the
// window is destroyed before the icons it shows.
struct MainPictures {
    Picture imgEnabled_, imgDisabled_;
};

// Causes of a close request as the core's Form_QueryUnload receives them.
enum UnloadMode : std::int16_t {
    kUnloadFormControlMenu = 0,  // the close box or the system menu's Close
    kUnloadFormCode = 1,         // Unload from the program itself (tray Exit)
    kUnloadAppWindows = 2,       // Windows is logging off or shutting down
    kUnloadAppTaskManager = 3,   // someone else posted WM_CLOSE
};

// Also the holder of the hidden images, whose pictures become the window's icon.
class MainWindow final : private MainPictures,
                         public Form,
                         public platform::FormWindow,
                         public platform::Images {
  public:
    explicit MainWindow(HINSTANCE instance) : Form(instance, kMainForm) {}
    // Out of line: an inline one, emitted in two objects, gives its thunks twice
    // to the linker under LTO.
    ~MainWindow() override;

    // Creates the window hidden, with its controls; false when that fails.
    bool Create();
    // Where the window's events go from now on.
    void Attach(FormEvents* form) { form_ = form; }
    using Form::hwnd;

    void Show() override;
    void Hide() override;
    void Unload() override;
    platform::WindowHandle Handle() override {
        return reinterpret_cast<platform::WindowHandle>(hwnd_);
    }
    std::uintptr_t Icon() override;
    void SetTimer(std::uint32_t intervalMs) override;
    void SetWindowIcon(platform::WindowPicture image) override;

    ListBoxControl lstPopups{hwnd_, IDC_LSTPOPUPS};
    ListBoxControl lstSafe{hwnd_, IDC_LSTSAFE};
    CheckBoxControl chkBeep{hwnd_, IDC_CHKBEEP};
    CheckBoxControl chkReset{hwnd_, IDC_CHKRESET};
    CheckBoxControl chkWindowStartup{hwnd_, IDC_CHKWINDOWSTARTUP};
    LabelControl lblCounter{hwnd_, IDC_LBLCOUNTER};

  private:
    LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    void OnCommand(int id, int code) override;
    void OnPaint() override;
    void LoadPictures();
    HWND Done() const { return GetDlgItem(hwnd_, IDC_CMDDONE); }
    // The close request with its cause; the unload follows unless refused.
    void RequestClose(std::int16_t mode);
    bool QueryUnload(std::int16_t mode);
    void FinishUnload();

    FormEvents* form_ = nullptr;
    bool centred_ = false;
    bool closeFromSystemMenu_ = false;
    bool unloading_ = false;
    UINT taskbarCreated_ = 0;
    // The control that gets the focus when the window is activated.
    HWND focus_ = nullptr;
};

}  // namespace shutterling::win32
