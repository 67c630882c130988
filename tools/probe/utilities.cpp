// Small helpers of the test scripts that need no program window: a URL
// handler that records, the Ctrl key, the double-click time, and broadcasts.
#include "probe.h"

#include <cstdio>

namespace probe {
namespace {

int Record(const std::wstring& file, const std::wstring& line) {
    FILE* out = _wfopen(file.c_str(), L"ab");
    if (!out)
        return Fail(L"cannot open the record file");
    const std::string bytes = Utf8(line + L"\n");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    return 0;
}

void SendCtrl(bool down) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = VK_CONTROL;
    in.ki.wScan = WORD(MapVirtualKeyW(VK_CONTROL, MAPVK_VK_TO_VSC));
    in.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &in, sizeof in);
}

void PumpFor(DWORD ms) {
    DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
            DispatchMessageW(&msg);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    } while (GetTickCount() - start < ms);
}

// Holds Ctrl with SendInput from a small foreground window of ours: Wine
// records injected keys in the desktop's key state only while some window has
// the foreground. Under Wine 8 the state does not survive a focus change (Wine
// reloads it from the X server), so the tests press the key in X instead.
int HoldCtrl(DWORD ms) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"ShutterlingProbeKeys";
    RegisterClassW(&wc);
    HWND w = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, wc.lpszClassName,
                             L"probe: Ctrl held", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 160, 24,
                             nullptr, nullptr, wc.hInstance, nullptr);
    if (!w)
        return Fail(L"cannot create the key window");
    SetForegroundWindow(w);
    PumpFor(100);
    SendCtrl(true);
    PumpFor(50);
    Print(GetAsyncKeyState(VK_CONTROL) & 0x8000 ? L"ctrl down" : L"ctrl not down");
    PumpFor(ms);
    SendCtrl(false);
    PumpFor(50);
    Print(L"ctrl up");
    DestroyWindow(w);
    return 0;
}

}  // namespace

Result UtilityCommand(const Command& c) {
    const std::wstring& cmd = c.Name();
    if (cmd == L"record") {
        if (c.args.size() < 3)
            return kUsage;
        return Record(c.args[1], c.args[2]);
    }
    if (cmd == L"hold-ctrl")
        return HoldCtrl(c.Ms(1, L"1000"));
    if (cmd == L"key-state") {
        Print(GetAsyncKeyState(VK_CONTROL) & 0x8000 ? L"down" : L"up");
        return 0;
    }
    if (cmd == L"dblclick-time") {
        Print(std::to_wstring(GetDoubleClickTime()));
        return 0;
    }
    if (cmd == L"broadcast") {
        if (c.args.size() < 2)
            return kUsage;
        return PostMessageW(HWND_BROADCAST, MessageNumber(c.args[1]), 0, 0) ? 0
                                                                            : Fail(L"post failed");
    }
    return std::nullopt;
}

}  // namespace probe
