// The controls of the program's windows, by name or id: list boxes, texts,
// check boxes, clicks and where a control sits on the screen.
#include "probe.h"

#include <cwchar>

#include "ui/control_ids.h"

namespace probe {
namespace {

const struct {
    const wchar_t* name;
    int id;
} kControls[] = {
    {L"cmdDone", IDC_CMDDONE},
    {L"lstPopups", IDC_LSTPOPUPS},
    {L"lstSafe", IDC_LSTSAFE},
    {L"chkBeep", IDC_CHKBEEP},
    {L"chkReset", IDC_CHKRESET},
    {L"chkWindowStartup", IDC_CHKWINDOWSTARTUP},
    {L"lblCounter", IDC_LBLCOUNTER},
    {L"fraAds", IDC_FRAADS},
    {L"fraSettings", IDC_FRASETTINGS},
    {L"fraSafe", IDC_FRASAFE},
    {L"lblInfoContinue", IDC_LBLINFOCONTINUE},
    {L"lblCaption", IDC_LBLCAPTION},
    {L"cmdOK", IDC_CMDOK},
    {L"lblTitle", IDC_LBLTITLE},
    {L"lblURL", IDC_LBLURL},
    {L"Label2", IDC_LABEL2},
    {L"lblContact", IDC_LBLCONTACT},
    {L"Label1", IDC_LABEL1},
    {L"Label4", IDC_LABEL4},
};

int ControlId(const std::wstring& name) {
    for (auto& e : kControls) {
        if (_wcsicmp(e.name, name.c_str()) == 0)
            return e.id;
    }
    wchar_t* end = nullptr;
    long id = std::wcstol(name.c_str(), &end, 0);
    return end && *end == 0 && !name.empty() ? int(id) : -1;
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK MatchControl(HWND child, LPARAM lp) {
    auto* s = reinterpret_cast<ControlSearch*>(lp);
    if (GetDlgCtrlID(child) != s->id)
        return TRUE;
    s->found = child;
    return FALSE;
}

// Controls may sit inside frames, so search every descendant.
HWND FindControl(HWND window, int id) {
    ControlSearch search{id, nullptr};
    EnumChildWindows(window, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int ListCommand(const Command& c, HWND list) {
    LRESULT n = SendMessageW(list, LB_GETCOUNT, 0, 0);
    if (n == LB_ERR)
        return Fail(L"not a list box");
    if (c.Name() == L"count") {
        Print(std::to_wstring(n));
        return 0;
    }
    // Each read is a round trip to the program and a list holds up to 32,767
    // entries: one read an entry, without asking its length first, into a
    // buffer of a million characters, far more than any entry a test makes
    // (titles and data-file lines), and the lines written at the end.
    constexpr size_t kLongest = size_t(1) << 20;
    std::wstring text(kLongest + 1, L'\0'), lines;
    for (LRESULT i = 0; i < n; ++i) {
        LRESULT got =
            SendMessageW(list, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text.data()));
        if (i > 0)
            lines += L'\n';
        lines.append(text.data(), got > 0 ? size_t(got) : 0);
    }
    if (n > 0)
        Print(lines);
    return 0;
}

}  // namespace

const wchar_t* ControlName(int id) {
    for (auto& e : kControls) {
        if (e.id == id)
            return e.name;
    }
    return nullptr;
}

int ControlCommand(const Command& c) {
    if (c.args.size() < 2)
        return kUsage;
    const std::wstring& cmd = c.Name();
    const int id = ControlId(c.args[1]);
    const HWND control = id >= 0 ? FindControl(c.window, id) : nullptr;
    if (!control)
        return Fail(L"no such control");
    if (cmd == L"list" || cmd == L"count")
        return ListCommand(c, control);
    if (cmd == L"where") {
        RECT r{};
        GetWindowRect(control, &r);
        Print(std::to_wstring((r.left + r.right) / 2) + L" " +
              std::to_wstring((r.top + r.bottom) / 2));
        return 0;
    }
    if (cmd == L"text") {
        int len = GetWindowTextLengthW(control);
        std::wstring text(size_t(len) + 1, L'\0');
        int got = GetWindowTextW(control, text.data(), len + 1);
        text.resize(size_t(got));
        Print(text);
        return 0;
    }
    if (cmd == L"check") {
        Print(std::to_wstring(SendMessageW(control, BM_GETCHECK, 0, 0)));
        return 0;
    }
    if (cmd == L"click") {
        // Posted, so a modal box that the click opens does not block the probe.
        return PostMessageW(control, BM_CLICK, 0, 0) ? 0 : Fail(L"post failed");
    }
    if (cmd == L"dblclick") {
        // Selects the entry, then reports the double-click as the list box would.
        if (c.args.size() < 3)
            return kUsage;
        if (SendMessageW(control, LB_SETCURSEL, WPARAM(Number(c.args[2])), 0) == LB_ERR)
            return Fail(L"no such entry");
        return PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK),
                            reinterpret_cast<LPARAM>(control))
                   ? 0
                   : Fail(L"post failed");
    }
    return kUsage;
}

}  // namespace probe
