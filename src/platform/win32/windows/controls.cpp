#include "platform/win32/windows/controls.h"

#include "platform/win32/windows/form.h"

namespace shutterling::win32 {

std::optional<std::int16_t> ListBoxControl::ListCount() {
    const HWND list = control_.get();
    if (!list)
        return std::nullopt;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (count < 0 || count > platform::kListMax)
        return std::nullopt;
    return static_cast<std::int16_t>(count);
}

std::optional<std::wstring> ListBoxControl::List(std::int16_t index) {
    const HWND list = control_.get();
    if (!list || index < 0)
        return std::nullopt;
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == LB_ERR)
        return std::nullopt;
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(text.data()));
    if (copied == LB_ERR)
        return std::nullopt;
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

std::optional<std::int16_t> ListBoxControl::ListIndex() {
    const HWND list = control_.get();
    if (!list)
        return std::nullopt;
    // LB_ERR is also the answer "nothing selected", which is -1 here.
    return static_cast<std::int16_t>(SendMessageW(list, LB_GETCURSEL, 0, 0));
}

bool ListBoxControl::AddItem(const std::wstring& item) {
    const auto count = ListCount();
    if (!count || *count >= platform::kListMax)
        return false;
    const LRESULT at =
        SendMessageW(control_.get(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    return at != LB_ERR && at != LB_ERRSPACE;
}

bool ListBoxControl::RemoveItem(std::int16_t index) {
    const HWND list = control_.get();
    if (!list || index < 0)
        return false;
    return SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(index), 0) != LB_ERR;
}

std::optional<std::int16_t> CheckBoxControl::Value() {
    const HWND box = control_.get();
    if (!box)
        return std::nullopt;
    return static_cast<std::int16_t>(SendMessageW(box, BM_GETCHECK, 0, 0));
}

bool CheckBoxControl::SetValue(std::int16_t value) {
    const HWND box = control_.get();
    if (!box || value < BST_UNCHECKED || value > BST_INDETERMINATE)
        return false;
    SendMessageW(box, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    return true;
}

void CheckBoxControl::Toggle() {
    const auto value = Value();
    if (value)
        SetValue(*value == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED);
}

std::optional<std::wstring> LabelControl::Caption() {
    const HWND label = control_.get();
    if (!label)
        return std::nullopt;
    const LRESULT length = SendMessageW(label, WM_GETTEXTLENGTH, 0, 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const LRESULT copied = SendMessageW(label, WM_GETTEXT, static_cast<WPARAM>(text.size()),
                                        reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

bool LabelControl::SetCaption(const std::wstring& caption) {
    const HWND label = control_.get();
    if (!label)
        return false;
    return SendMessageW(label, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str())) != FALSE;
}

bool LinkLabelControl::SetMouseIcon(std::uintptr_t picture) {
    const HWND label = control_.get();
    if (!label)
        return false;
    if (!picture) {
        RemovePropW(label, kMouseIconProperty);
        return true;
    }
    return SetPropW(label, kMouseIconProperty, reinterpret_cast<HANDLE>(picture)) != FALSE;
}

}  // namespace shutterling::win32
