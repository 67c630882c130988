// probe: reads and pokes the running Shutterling.exe through window messages,
// for test scripts. One command per run; results are plain UTF-8 lines.
//
//   probe find                 hwnd of the main window (exit 1 when none)
//   probe instances            how many main windows exist
//   probe wait-window [MS]     wait until the main window exists
//   probe visible              "yes" or "no"
//   probe list CONTROL         a list box's entries, one per line
//   probe count CONTROL        a list box's entry count
//   probe text CONTROL         a control's text
//   probe check CONTROL        a check box's state: 0, 1 or 2
//   probe click CONTROL        click a button or check box
//   probe dblclick LIST INDEX  select an entry and double-click it
//   probe msgbox               "TITLE|TEXT" of the program's message box, or "none"
//   probe dismiss              press OK on the program's message box
//   probe close                post WM_CLOSE to the main window
//   probe show                 show the (hidden) main window
//   probe hide                 hide it
//   probe move X Y             move it to X Y on the screen
//   probe post MSG [WP [LP]]   post a message (number or registered name) to it
//   probe broadcast NAME       post a registered message to every top-level window
//   probe wait-gone [MS]       wait until the main window and its process are gone
//   probe hold-ctrl MS         hold the Ctrl key down for MS milliseconds (SendInput)
//   probe key-state            "down" or "up": Ctrl as GetKeyState sees it here
//   probe dblclick-time        the system's double-click time in milliseconds
//   probe tray-icon            "X Y W H": the screen rectangle of the icon in Wine's
//                              tray window (exit 1 when there is none)
//   probe tray-icons           how many icons Wine's tray window shows
//   probe tray-tip             the text of the icon's tooltip as Wine's tray shows it
//   probe menu                 "X Y W H" of the program's open pop-up menu, or "none"
//   probe focus                the control with the keyboard focus in the program
//   probe foreground           "yes" when the main window is the foreground window
//   probe key NAME...          press keys (Up, Down, Return, Escape, Tab) in the
//                              program's thread, where an open menu reads them
//   probe footprint            the program's working set and private bytes (KB), its GDI
//                              and USER objects (0 where GetGuiResources is not
//                              implemented, as in Wine 8), its windows (top-level and
//                              child), one "name value" per line
//   probe record FILE ARG      append ARG as a line to FILE (a test's URL handler)
//   probe about COMMAND ...    the commands above that read or poke a window,
//                              aimed at the About window instead, and:
//   probe about count          how many About windows exist
//   probe about shape          caption, caption buttons, owner, focus, place, size
//   probe about where CONTROL  "X Y": the control's centre on the screen
//
// CONTROL is an id or a name such as lstPopups, lblCounter or lblURL.
#include <windows.h>

#include <psapi.h>

#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "ui/control_ids.h"

namespace {

void Print(const std::wstring& text) {
    std::wstring line = text + L"\n";
    int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), out.data(), n, nullptr, nullptr);
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

int Fail(const wchar_t* why) {
    std::fwprintf(stderr, L"probe: %ls\n", why);
    return 1;
}

HWND MainWindow() {
    return FindWindowW(SHUTTERLING_MAIN_CLASS, nullptr);
}

struct WindowCount {
    DWORD pid;
    unsigned long windows;
};

BOOL CALLBACK CountChildWindow(HWND, LPARAM lp) {
    ++reinterpret_cast<WindowCount*>(lp)->windows;
    return TRUE;
}

BOOL CALLBACK CountTopWindow(HWND top, LPARAM lp) {
    auto* count = reinterpret_cast<WindowCount*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(top, &owner);
    if (owner == count->pid) {
        ++count->windows;
        EnumChildWindows(top, CountChildWindow, lp);
    }
    return TRUE;
}

int Footprint(HWND main) {
    DWORD pid = 0;
    GetWindowThreadProcessId(main, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process)
        return Fail(L"cannot open the program's process");
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    const bool ok = GetProcessMemoryInfo(process, &memory, sizeof memory);
    const DWORD gdi = GetGuiResources(process, GR_GDIOBJECTS);
    const DWORD userObjects = GetGuiResources(process, GR_USEROBJECTS);
    CloseHandle(process);
    if (!ok)
        return Fail(L"cannot read the program's counters");
    WindowCount count{pid, 0};
    EnumWindows(CountTopWindow, reinterpret_cast<LPARAM>(&count));
    wchar_t text[256];
    // The commit charge: what Windows shows as a process's private bytes.
    std::swprintf(text, 256,
                  L"working-set-kb %lu\nprivate-kb %lu\ngdi-objects %lu\nuser-objects "
                  L"%lu\nwindows %lu",
                  static_cast<unsigned long>(memory.WorkingSetSize / 1024),
                  static_cast<unsigned long>(memory.PagefileUsage / 1024),
                  static_cast<unsigned long>(gdi), static_cast<unsigned long>(userObjects),
                  count.windows);
    Print(text);
    return 0;
}

HWND AboutWindow() {
    return FindWindowW(SHUTTERLING_ABOUT_CLASS, nullptr);
}

int ControlId(const std::wstring& name) {
    static const struct {
        const wchar_t* name;
        int id;
    } ids[] = {
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
    for (auto& e : ids) {
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
struct BoxSearch {
    DWORD pid;
    HWND box;
};

BOOL CALLBACK FindBox(HWND w, LPARAM p) {
    auto* search = reinterpret_cast<BoxSearch*>(p);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    wchar_t cls[16] = {};
    GetClassNameW(w, cls, 16);
    if (owner == search->pid && IsWindowVisible(w) && std::wstring(cls) == L"#32770") {
        search->box = w;
        return FALSE;
    }
    return TRUE;
}

HWND FindControl(HWND main, int id) {
    ControlSearch search{id, nullptr};
    EnumChildWindows(main, MatchControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool WaitFor(DWORD ms, bool (*done)()) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= ms)
            return false;
        Sleep(25);
    }
    return true;
}

UINT MessageNumber(const std::wstring& text) {
    wchar_t* end = nullptr;
    unsigned long n = std::wcstoul(text.c_str(), &end, 0);
    if (end && *end == 0 && !text.empty())
        return UINT(n);
    return RegisterWindowMessageW(text.c_str());
}

LPARAM Number(const std::wstring& text) {
    return LPARAM(std::wcstol(text.c_str(), nullptr, 0));
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

// Wine's tray without an X tray: a top-level window whose children are the
// icons, each with a tooltip window that it owns.
HWND TrayIcon() {
    const HWND tray = FindWindowW(L"__winex11_standalone_tray", nullptr);
    if (!tray || !IsWindowVisible(tray))
        return nullptr;
    for (HWND icon = GetWindow(tray, GW_CHILD); icon; icon = GetWindow(icon, GW_HWNDNEXT)) {
        if (IsWindowVisible(icon))
            return icon;
    }
    return nullptr;
}

struct OwnedSearch {
    HWND owner;
    const wchar_t* cls;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK FindOwned(HWND w, LPARAM p) {
    auto* search = reinterpret_cast<OwnedSearch*>(p);
    wchar_t cls[64] = {};
    GetClassNameW(w, cls, 64);
    if (_wcsicmp(cls, search->cls) != 0)
        return TRUE;
    if (search->owner && GetWindow(w, GW_OWNER) != search->owner)
        return TRUE;
    if (search->pid) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner != search->pid || !IsWindowVisible(w))
            return TRUE;
    }
    search->found = w;
    return FALSE;
}

HWND FindTopLevel(HWND owner, const wchar_t* cls, DWORD pid) {
    OwnedSearch search{owner, cls, pid, nullptr};
    EnumWindows(FindOwned, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

const wchar_t* NameOf(int id) {
    static const wchar_t* const names[] = {L"cmdOK",      L"lblTitle", L"lblURL", L"Label2",
                                           L"lblContact", L"Label1",   L"Label4"};
    return id >= IDC_CMDOK && id <= IDC_LABEL4 ? names[id - IDC_CMDOK] : L"other";
}

// One line: caption, caption buttons and border, taskbar and owner, focus,
// whether it sits at the centre of the screen, and its client size in pixels.
int AboutShape(HWND about) {
    const LONG style = GetWindowLongW(about, GWL_STYLE);
    const LONG ex = GetWindowLongW(about, GWL_EXSTYLE);
    const HWND owner = GetWindow(about, GW_OWNER);
    const wchar_t* ownerText = !owner                   ? L"none"
                               : owner == MainWindow()  ? L"main"
                               : IsWindowVisible(owner) ? L"visible"
                                                        : L"hidden";
    GUITHREADINFO gui{};
    gui.cbSize = sizeof(gui);
    const DWORD thread = GetWindowThreadProcessId(about, nullptr);
    const wchar_t* focus = L"none";
    if (GetGUIThreadInfo(thread, &gui) && gui.hwndFocus)
        focus = gui.hwndFocus == about ? L"window" : NameOf(GetDlgCtrlID(gui.hwndFocus));
    RECT r{}, client{};
    GetWindowRect(about, &r);
    GetClientRect(about, &client);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    GetMonitorInfoW(MonitorFromWindow(about, MONITOR_DEFAULTTOPRIMARY), &mi);
    const bool centred = std::abs((r.left + r.right) - (mi.rcWork.left + mi.rcWork.right)) <= 2 &&
                         std::abs((r.top + r.bottom) - (mi.rcWork.top + mi.rcWork.bottom)) <= 2;
    wchar_t caption[64] = {};
    GetWindowTextW(about, caption, 64);
    auto yes = [](bool b) { return b ? L"yes" : L"no"; };
    Print(std::wstring(L"caption=") + caption + L" close=" + yes(style & WS_SYSMENU) +
          L" minimize=" + yes(style & WS_MINIMIZEBOX) + L" maximize=" +
          yes(style & WS_MAXIMIZEBOX) + L" sizable=" + yes(style & WS_THICKFRAME) + L" appwindow=" +
          yes(ex & WS_EX_APPWINDOW) + L" owner=" + ownerText + L" visible=" +
          yes(IsWindowVisible(about)) + L" focus=" + focus + L" centred=" + yes(centred) +
          L" client=" + std::to_wstring(client.right) + L"x" + std::to_wstring(client.bottom));
    return 0;
}

int Record(const std::wstring& file, const std::wstring& line) {
    FILE* out = _wfopen(file.c_str(), L"ab");
    if (!out)
        return Fail(L"cannot open the record file");
    std::wstring text = line + L"\n";
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string bytes(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(), n, nullptr,
                        nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    return 0;
}

int Run(std::vector<std::wstring> args) {
    if (args.empty())
        return 2;
    // "about ...": the same commands, aimed at the About window.
    const bool about = args[0] == L"about";
    if (about) {
        args.erase(args.begin());
        if (args.empty())
            return 2;
    }
    const std::wstring cmd = args[0];
    auto arg = [&](size_t i, const wchar_t* fallback) {
        return i < args.size() ? args[i] : std::wstring(fallback);
    };
    auto ms = [&](size_t i, const wchar_t* fallback) {
        return DWORD(std::wcstoul(arg(i, fallback).c_str(), nullptr, 10));
    };

    if (cmd == L"record") {
        if (args.size() < 3)
            return 2;
        return Record(args[1], args[2]);
    }
    if (cmd == L"hold-ctrl")
        return HoldCtrl(ms(1, L"1000"));
    if (cmd == L"key-state") {
        Print(GetAsyncKeyState(VK_CONTROL) & 0x8000 ? L"down" : L"up");
        return 0;
    }
    if (cmd == L"dblclick-time") {
        Print(std::to_wstring(GetDoubleClickTime()));
        return 0;
    }
    if (cmd == L"broadcast") {
        if (args.size() < 2)
            return 2;
        return PostMessageW(HWND_BROADCAST, MessageNumber(args[1]), 0, 0) ? 0
                                                                          : Fail(L"post failed");
    }
    if (cmd == L"wait-window") {
        return WaitFor(ms(1, L"30000"), [] { return MainWindow() != nullptr; })
                   ? 0
                   : Fail(L"no main window");
    }
    if (cmd == L"instances") {
        int n = 0;
        for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, SHUTTERLING_MAIN_CLASS, nullptr));)
            ++n;
        Print(std::to_wstring(n));
        return 0;
    }

    if (about && cmd == L"count") {
        int n = 0;
        for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, SHUTTERLING_ABOUT_CLASS, nullptr));)
            ++n;
        Print(std::to_wstring(n));
        return 0;
    }

    if (cmd == L"tray-icons") {
        int n = 0;
        if (const HWND icon = TrayIcon()) {
            for (HWND w = icon; w; w = GetWindow(w, GW_HWNDNEXT))
                n += IsWindowVisible(w) ? 1 : 0;
        }
        Print(std::to_wstring(n));
        return 0;
    }
    if (cmd == L"tray-icon" || cmd == L"tray-tip") {
        const HWND icon = TrayIcon();
        if (!icon)
            return Fail(L"no tray icon");
        if (cmd == L"tray-icon") {
            RECT r{};
            GetWindowRect(icon, &r);
            Print(std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
                  std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top));
            return 0;
        }
        // The tooltip answers WM_GETTEXT with the tip it last showed. Its owner
        // is the tray window: a pop-up is owned by the top level of its parent.
        const HWND tip = FindTopLevel(GetAncestor(icon, GA_ROOT), L"tooltips_class32", 0);
        if (!tip)
            return Fail(L"no tooltip window");
        wchar_t text[128] = {};
        SendMessageW(tip, WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text));
        Print(text);
        return 0;
    }

    HWND main = about ? AboutWindow() : MainWindow();
    if (cmd == L"wait-gone") {
        DWORD pid = 0;
        if (main)
            GetWindowThreadProcessId(main, &pid);
        HANDLE process = pid ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr;
        DWORD limit = ms(1, L"30000");
        DWORD start = GetTickCount();
        bool gone = WaitFor(limit, [] { return MainWindow() == nullptr; });
        if (gone && process) {
            DWORD left = limit - (GetTickCount() - start);
            gone = WaitForSingleObject(process, left > limit ? 0 : left) == WAIT_OBJECT_0;
        }
        if (process)
            CloseHandle(process);
        return gone ? 0 : Fail(L"still running");
    }
    if (!main)
        return Fail(about ? L"no About window" : L"no main window");
    if (about && cmd == L"shape")
        return AboutShape(main);
    if (cmd == L"footprint")
        return Footprint(main);

    if (cmd == L"find") {
        wchar_t buf[32];
        std::swprintf(buf, 32, L"0x%08lx",
                      static_cast<unsigned long>(reinterpret_cast<UINT_PTR>(main)));
        Print(buf);
        return 0;
    }
    if (cmd == L"visible") {
        Print(IsWindowVisible(main) ? L"yes" : L"no");
        return 0;
    }
    if (cmd == L"close")
        return PostMessageW(main, WM_CLOSE, 0, 0) ? 0 : Fail(L"post failed");
    DWORD pid = 0;
    const DWORD thread = GetWindowThreadProcessId(main, &pid);
    if (cmd == L"menu") {
        // An open pop-up menu is a window of the system class #32768.
        const HWND menu = FindTopLevel(nullptr, L"#32768", pid);
        RECT r{};
        if (menu)
            GetWindowRect(menu, &r);
        Print(menu
                  ? std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
                        std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top)
                  : std::wstring(L"none"));
        return 0;
    }
    if (cmd == L"focus") {
        GUITHREADINFO info{};
        info.cbSize = sizeof(info);
        if (!GetGUIThreadInfo(thread, &info))
            return Fail(L"no thread information");
        if (!info.hwndFocus) {
            Print(L"none");
        } else if (info.hwndFocus == main) {
            Print(L"window");
        } else {
            const int id = GetDlgCtrlID(info.hwndFocus);
            std::wstring name = std::to_wstring(id);
            for (const wchar_t* known : {L"cmdDone", L"lstPopups", L"lstSafe", L"chkBeep",
                                         L"chkReset", L"chkWindowStartup"}) {
                if (ControlId(known) == id)
                    name = known;
            }
            Print(name);
        }
        return 0;
    }
    if (cmd == L"key") {
        // Posted to the program's thread: under Xvfb without a window manager
        // X key events reach no Wine window while a menu is open.
        for (size_t i = 1; i < args.size(); ++i) {
            const struct {
                const wchar_t* name;
                WPARAM vk;
            } keys[] = {{L"Up", VK_UP},
                        {L"Down", VK_DOWN},
                        {L"Return", VK_RETURN},
                        {L"Escape", VK_ESCAPE},
                        {L"Tab", VK_TAB}};
            WPARAM vk = 0;
            for (const auto& k : keys) {
                if (_wcsicmp(k.name, args[i].c_str()) == 0)
                    vk = k.vk;
            }
            if (!vk)
                return Fail(L"unknown key");
            // To the focused control when there is one, so dialog keys work too.
            GUITHREADINFO info{};
            info.cbSize = sizeof(info);
            const HWND focus = GetGUIThreadInfo(thread, &info) ? info.hwndFocus : nullptr;
            const LPARAM scan = LPARAM(MapVirtualKeyW(UINT(vk), MAPVK_VK_TO_VSC)) << 16;
            const auto post = [&](UINT msg, LPARAM lp) {
                if (focus)
                    PostMessageW(focus, msg, vk, lp);
                else
                    PostThreadMessageW(thread, msg, vk, lp);
            };
            post(WM_KEYDOWN, scan | 1);
            post(WM_KEYUP, scan | 1 | (LPARAM(3) << 30));
            Sleep(100);
        }
        return 0;
    }
    if (cmd == L"foreground") {
        Print(GetForegroundWindow() == main ? L"yes" : L"no");
        return 0;
    }
    if (cmd == L"show") {
        // From outside, as a tray command would: the window is only hidden.
        ShowWindow(main, SW_SHOWNORMAL);
        return 0;
    }
    if (cmd == L"hide") {
        ShowWindow(main, SW_HIDE);
        return 0;
    }
    if (cmd == L"move") {
        if (args.size() < 3)
            return 2;
        return SetWindowPos(main, nullptr, int(Number(args[1])), int(Number(args[2])), 0, 0,
                            SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE)
                   ? 0
                   : Fail(L"move failed");
    }
    if (cmd == L"msgbox" || cmd == L"dismiss") {
        // A message box of the program: a dialog-class window of its process.
        DWORD pid = 0;
        GetWindowThreadProcessId(main, &pid);
        BoxSearch search{pid, nullptr};
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&search));
        if (!search.box) {
            Print(L"none");
            return cmd == L"msgbox" ? 0 : Fail(L"no message box");
        }
        if (cmd == L"dismiss")
            return PostMessageW(search.box, WM_COMMAND, IDOK, 0) ? 0 : Fail(L"post failed");
        wchar_t title[128] = {}, text[512] = {};
        GetWindowTextW(search.box, title, 128);
        GetDlgItemTextW(search.box, 0xFFFF, text, 512);  // the message's static control
        Print(std::wstring(title) + L"|" + text);
        return 0;
    }
    if (cmd == L"post") {
        if (args.size() < 2)
            return 2;
        BOOL ok = PostMessageW(main, MessageNumber(args[1]), WPARAM(Number(arg(2, L"0"))),
                               Number(arg(3, L"0")));
        return ok ? 0 : Fail(L"post failed");
    }

    if (args.size() < 2)
        return 2;
    int id = ControlId(args[1]);
    HWND control = id >= 0 ? FindControl(main, id) : nullptr;
    if (!control)
        return Fail(L"no such control");
    if (cmd == L"list" || cmd == L"count") {
        LRESULT n = SendMessageW(control, LB_GETCOUNT, 0, 0);
        if (n == LB_ERR)
            return Fail(L"not a list box");
        if (cmd == L"count") {
            Print(std::to_wstring(n));
            return 0;
        }
        for (LRESULT i = 0; i < n; ++i) {
            LRESULT len = SendMessageW(control, LB_GETTEXTLEN, WPARAM(i), 0);
            std::wstring text(size_t(len > 0 ? len : 0) + 1, L'\0');
            LRESULT got =
                SendMessageW(control, LB_GETTEXT, WPARAM(i), reinterpret_cast<LPARAM>(text.data()));
            text.resize(got > 0 ? size_t(got) : 0);
            Print(text);
        }
        return 0;
    }
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
        if (args.size() < 3)
            return 2;
        if (SendMessageW(control, LB_SETCURSEL, WPARAM(Number(args[2])), 0) == LB_ERR)
            return Fail(L"no such entry");
        return PostMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(id, LBN_DBLCLK),
                            reinterpret_cast<LPARAM>(control))
                   ? 0
                   : Fail(L"post failed");
    }
    return 2;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::vector<std::wstring> args(argv + 1, argv + argc);
    LocalFree(argv);
    int code = Run(args);
    if (code == 2)
        std::fputs("usage: probe COMMAND [ARGS] (see the source's header)\n", stderr);
    return code;
}
