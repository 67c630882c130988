#include "sim_log.h"

#include <cstdio>

#include "com_util.h"

namespace sim {

Log& Log::Get() {
    static Log log;
    return log;
}

Log::Log() {
    InitializeCriticalSection(&lock_);
    QueryPerformanceFrequency(&freq_);
    QueryPerformanceCounter(&start_);
}

bool Log::Open(const std::wstring& path) {
    file_ = CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    return file_ != INVALID_HANDLE_VALUE;
}

double Log::Now() const {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart - start_.QuadPart) * 1000.0 / double(freq_.QuadPart);
}

void Log::Write(std::string_view event, std::string_view fields) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%.3f ", Now());
    std::string line = stamp;
    line += event;
    if (!fields.empty()) {
        line += ' ';
        line += fields;
    }
    line += '\n';
    EnterCriticalSection(&lock_);
    if (file_ != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(file_, line.data(), DWORD(line.size()), &written, nullptr);
    } else {
        std::fputs(line.c_str(), stderr);
    }
    LeaveCriticalSection(&lock_);
}

std::string Quote(std::wstring_view text) {
    std::string out = "\"";
    for (char c : Utf8(text)) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
        }
    }
    return out + "\"";
}

std::string Hex(unsigned long value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08lx", value);
    return buf;
}

}  // namespace sim
