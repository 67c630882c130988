// List boxes, check boxes, labels and links of a window, reached by control ID so
// that a destroyed window reads as a failure rather than a stale handle.
#pragma once

#include <windows.h>

#include "platform/about.h"
#include "platform/toolkit.h"

namespace shutterling::win32 {

class ControlRef {
  public:
    ControlRef(const HWND& parent, int id) : parent_(parent), id_(id) {}
    HWND get() const { return parent_ ? GetDlgItem(parent_, id_) : nullptr; }

  private:
    const HWND& parent_;  // the owning window's handle, null once it is destroyed
    int id_;
};

class ListBoxControl final : public platform::ListBox {
  public:
    ListBoxControl(const HWND& parent, int id) : control_(parent, id) {}
    std::optional<std::int16_t> ListCount() override;
    std::optional<std::wstring> List(std::int16_t index) override;
    std::optional<std::int16_t> ListIndex() override;
    bool AddItem(const std::wstring& item) override;
    bool RemoveItem(std::int16_t index) override;

  private:
    ControlRef control_;
};

class CheckBoxControl final : public platform::CheckBox {
  public:
    CheckBoxControl(const HWND& parent, int id) : control_(parent, id) {}
    std::optional<std::int16_t> Value() override;
    bool SetValue(std::int16_t value) override;
    // A user's click: ticked becomes unticked, anything else ticked.
    void Toggle();

  private:
    ControlRef control_;
};

class LabelControl final : public platform::Label {
  public:
    LabelControl(const HWND& parent, int id) : control_(parent, id) {}
    std::optional<std::wstring> Caption() override;
    bool SetCaption(const std::wstring& caption) override;

  private:
    ControlRef control_;
};

// A label that reports clicks and shows its own mouse pointer, kept as a
// window property that the parent's WM_SETCURSOR reads.
class LinkLabelControl final : public platform::LinkLabel {
  public:
    LinkLabelControl(const HWND& parent, int id) : label_(parent, id), control_(parent, id) {}
    std::optional<std::wstring> Caption() override { return label_.Caption(); }
    bool SetCaption(const std::wstring& caption) override { return label_.SetCaption(caption); }
    bool SetMouseIcon(std::uintptr_t picture) override;

  private:
    LabelControl label_;
    ControlRef control_;
};

}  // namespace shutterling::win32
