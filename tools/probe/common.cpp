// Output and argument parsing shared by the probe's commands.
#include "probe.h"

#include <cstdio>
#include <cwchar>

namespace probe {

std::wstring Command::Arg(size_t i, const wchar_t* fallback) const {
    return i < args.size() ? args[i] : std::wstring(fallback);
}

DWORD Command::Ms(size_t i, const wchar_t* fallback) const {
    return DWORD(std::wcstoul(Arg(i, fallback).c_str(), nullptr, 10));
}

HWND Command::Target() const {
    return about ? AboutWindow() : MainWindow();
}

std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(size_t(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

void Print(const std::wstring& text) {
    const std::string out = Utf8(text + L"\n");
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
}

int Fail(const wchar_t* why) {
    std::fwprintf(stderr, L"probe: %ls\n", why);
    return 1;
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

std::wstring RectText(const RECT& r) {
    return std::to_wstring(r.left) + L" " + std::to_wstring(r.top) + L" " +
           std::to_wstring(r.right - r.left) + L" " + std::to_wstring(r.bottom - r.top);
}

std::optional<HWND> FocusIn(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(thread, &info))
        return std::nullopt;
    return info.hwndFocus;
}

}  // namespace probe
