// The program's footprint: memory, GDI and USER objects, and its windows.
#include "probe.h"

#include <psapi.h>

#include <cstdio>

namespace probe {
namespace {

struct WindowCount {
    DWORD pid;
    unsigned long windows;
};

// Named callbacks, not lambdas: the 32-bit build needs them stdcall.
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

int Footprint(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
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

}  // namespace

Result FootprintCommand(const Command& c) {
    if (c.Name() != L"footprint")
        return std::nullopt;
    return Footprint(c.window);
}

}  // namespace probe
