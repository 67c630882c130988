// The two options and the blocked count in the settings store.
#include "app/frmMain.h"
#include "store/count_text.h"
#include "store/option_text.h"

namespace shutterling {

namespace {

constexpr wchar_t kSection[] = L"Options";
constexpr wchar_t kBeep[] = L"Beep";
constexpr wchar_t kWindowStartUp[] = L"WindowStartUp";
constexpr wchar_t kPopupCounter[] = L"PopupCounter";
constexpr wchar_t kDefault[] = L"0";

std::optional<std::wstring> Read(platform::Platform& platform, const wchar_t* key) {
    return platform.settings.GetSetting(platform.app.Title(), kSection, key, kDefault);
}

void Write(platform::Platform& platform, const wchar_t* key, const std::wstring& value) {
    platform.settings.SaveSetting(platform.app.Title(), kSection, key, value);
}

// A failed read, a text that is no number or a value the check box refuses
// all leave the check box as it was.
void LoadCheckBox(platform::Platform& platform, const wchar_t* key, platform::CheckBox& box) {
    const auto text = Read(platform, key);
    if (!text)
        return;
    if (const auto value = store::ParseCheckValue(*text))
        box.SetValue(*value);
}

void SaveCheckBox(platform::Platform& platform, const wchar_t* key, platform::CheckBox& box) {
    if (const auto value = box.Value())
        Write(platform, key, store::CheckValueText(*value));
}

}  // namespace

// Three steps, each failing on its own.
void frmMain::LoadOptions() {
    LoadCheckBox(platform, kBeep, chkBeep);
    LoadCheckBox(platform, kWindowStartUp, chkWindowStartup);
    if (const auto text = Read(platform, kPopupCounter)) {
        if (const auto count = store::ParseCount(*text))
            dblBlockedCount = *count;
    }
}

// Three writes; an unreadable check box skips only its own.
void frmMain::SaveOptions() {
    SaveCheckBox(platform, kBeep, chkBeep);
    SaveCheckBox(platform, kWindowStartUp, chkWindowStartup);
    Write(platform, kPopupCounter, CountText(dblBlockedCount));
}

}  // namespace shutterling
