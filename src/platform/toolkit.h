// Window toolkit and application services: controls as values, the main
// window object's show/hide/unload, processing pending events, application facts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/shell.h"

namespace shutterling::platform {

inline constexpr std::int16_t kListMax = 32767;

class ListBox {
  public:
    virtual ~ListBox() = default;
    virtual std::optional<std::int16_t> ListCount() = 0;
    virtual std::optional<std::wstring> List(std::int16_t index) = 0;
    virtual std::optional<std::int16_t> ListIndex() = 0;  // -1 when nothing is selected
    // Fails when the list already holds kListMax entries.
    virtual bool AddItem(const std::wstring& item) = 0;
    virtual bool RemoveItem(std::int16_t index) = 0;
};

class CheckBox {
  public:
    virtual ~CheckBox() = default;
    virtual std::optional<std::int16_t> Value() = 0;
    // 0 unchecked, 1 checked, 2 grayed; any other value fails and changes nothing.
    virtual bool SetValue(std::int16_t value) = 0;
};

class Label {
  public:
    virtual ~Label() = default;
    virtual std::optional<std::wstring> Caption() = 0;
    virtual bool SetCaption(const std::wstring& caption) = 0;
};

// The window object of frmMain as the toolkit sees it.
class FormWindow {
  public:
    virtual ~FormWindow() = default;
    virtual void Show() = 0;  // modeless
    virtual void Hide() = 0;
    // Runs the close request with a cause other than 0, then the unload event.
    virtual void Unload() = 0;
    virtual WindowHandle Handle() = 0;
    virtual std::uintptr_t Icon() = 0;  // current window icon handle
    // The window's one timer (tmrJoinShell): its event comes every
    // intervalMs milliseconds, until it is set to 0.
    virtual void SetTimer(std::uint32_t intervalMs) = 0;
};

class Application {
  public:
    virtual ~Application() = default;
    // Runs queued messages and events to completion; handlers may nest inside.
    virtual void DoEvents() = 0;
    virtual std::optional<bool> PrevInstance() = 0;
    virtual std::optional<std::wstring> Path() = 0;     // folder of the executable, as reported
    virtual std::optional<std::wstring> ExeName() = 0;  // file name without extension
    virtual std::wstring Title() = 0;                   // "Shutterling"
    [[noreturn]] virtual void End() = 0;                // ends the process, no events run
    // A modal message box with an OK button; returns when the user closes it.
    virtual void MsgBox(const std::wstring& text, const std::wstring& title,
                        std::uint32_t style) = 0;
};

}  // namespace shutterling::platform
