// The one way a window of the program is built from its layout (class and
// icon, client size, fonts, controls in tab order, default and cancel
// buttons, link colours and pointers, lines) and fed by its window procedure.
#pragma once

#include <windows.h>

#include "platform/win32/system/unique_handle.h"
#include "platform/win32/windows/layout.h"

namespace shutterling::win32 {

struct FontTraits {
    using Handle = HFONT;
    static Handle Invalid() { return nullptr; }
    static bool Close(Handle h) { return DeleteObject(h) != FALSE; }
};
using UniqueFont = detail::UniqueHandle<FontTraits>;

// The window property of a control that holds its custom mouse pointer.
inline constexpr wchar_t kMouseIconProperty[] = L"Shutterling.MouseIcon";
inline constexpr COLORREF kLinkColour = RGB(0, 0, 192);

// Dots per inch of the window (of the screen before Windows 10).
int WindowDpi(HWND hwnd);

class Form {
  protected:
    HWND hwnd_ = nullptr;  // first: the controls of derived windows refer to it

  public:
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;
    HWND hwnd() const { return hwnd_; }

  protected:
    Form(HINSTANCE instance, const FormLayout& layout) : instance_(instance), layout_(layout) {}
    virtual ~Form();

    // Creates the window hidden, sized and with its controls; on failure
    // there is no window and the answer is false.
    bool CreateForm(const wchar_t* className, const wchar_t* caption, DWORD style, HWND owner);
    void CentreOnScreen();
    // Messages the window handles itself; the default serves every form.
    virtual LRESULT OnMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    // A control's notification. Enter and Esc arrive as clicks of the layout's
    // default and cancel buttons.
    virtual void OnCommand(int id, int code) = 0;
    virtual void OnPaint() {}

    HINSTANCE instance_;

  private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) noexcept;
    bool CreateControls();
    bool IsLink(int id) const;
    void PaintLines(HDC dc);

    const FormLayout& layout_;
    UniqueFont font_;
    UniqueFont linkFont_;
};

}  // namespace shutterling::win32
