#include "steps.h"

#include <optional>
#include <vector>

#include "com_util.h"
#include "faults.h"
#include "frame.h"
#include "scenario.h"
#include "shell.h"
#include "sim_log.h"

namespace sim {
namespace {

// Lines of the scenario file; in follow mode, waits for lines still to be written.
class ScenarioReader {
  public:
    ScenarioReader(std::wstring path, bool follow) : path_(std::move(path)), follow_(follow) {}

    bool Next(std::wstring& line) {
        for (;;) {
            size_t nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                line = Wide(buffer_.substr(0, nl));
                buffer_.erase(0, nl + 1);
                if (!line.empty() && line.back() == L'\r')
                    line.pop_back();
                return true;
            }
            bool grew = ReadMore();
            if (grew)
                continue;
            if (!follow_) {
                if (buffer_.empty())
                    return false;
                line = Wide(buffer_);
                buffer_.clear();
                return true;
            }
            Pump(20, nullptr);
        }
    }

  private:
    bool ReadMore() {
        HANDLE f = CreateFileW(path_.c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (f == INVALID_HANDLE_VALUE)
            return false;
        LARGE_INTEGER pos;
        pos.QuadPart = LONGLONG(offset_);
        SetFilePointerEx(f, pos, nullptr, FILE_BEGIN);
        char chunk[4096];
        DWORD got = 0;
        bool any = false;
        while (ReadFile(f, chunk, sizeof chunk, &got, nullptr) && got > 0) {
            buffer_.append(chunk, got);
            offset_ += got;
            any = true;
        }
        CloseHandle(f);
        return any;
    }

    std::wstring path_;
    bool follow_;
    size_t offset_ = 0;
    std::string buffer_;
};

DWORD TimeoutArg(const Step& step, DWORD fallback) {
    const std::wstring* t = step.Key(L"timeout");
    auto ms = t ? ParseInt(*t) : std::nullopt;
    return ms && *ms >= 0 ? DWORD(*ms) : fallback;
}

std::string Joined(const std::vector<std::wstring>& words) {
    std::wstring all;
    for (auto& w : words)
        all += (all.empty() ? L"" : L" ") + w;
    return Utf8(all);
}

// Opens one window with the settings given and raises its registration.
bool OpenWindow(const std::wstring& name,
                const std::vector<std::pair<std::wstring, std::wstring>>& keys,
                std::wstring& error) {
    Shell& shell = Shell::Get();
    WindowProps props;
    props.title = name;
    // A tab starts with its frame's settings; what the line sets changes the frame.
    for (auto& [k, v] : keys) {
        if (k == L"tab") {
            if (auto w = shell.Find(v))
                CopyFrameSettings(w->Settings(), props);
        }
    }
    for (auto& [k, v] : keys) {
        if (!ApplyKey(props, k, v, error))
            return false;
    }
    auto w = shell.Open(name, props, error);
    if (!w)
        return false;
    if (props.fire)
        shell.Fire(*w);
    else if (props.fireInside != 0)
        FireInside(*w, props.fireInside);
    return true;
}

// Runs one step; false with a message when the step is malformed.
bool RunStep(const Step& step, bool& quit, std::wstring& error) {
    Shell& shell = Shell::Get();
    auto window = [&]() -> std::shared_ptr<BrowserWindow> {
        if (step.words.empty()) {
            error = L"which window?";
            return nullptr;
        }
        auto w = shell.Find(step.words[0]);
        if (!w)
            error = L"no open window named " + step.words[0];
        return w;
    };
    const std::wstring& verb = step.verb;
    if (verb == L"open") {
        if (step.words.size() != 1) {
            error = L"open takes one window name";
            return false;
        }
        return OpenWindow(step.words[0], step.keys, error);
    } else if (verb == L"storm") {
        // A page's script opening windows in a loop: each registers as it
        // opens, and the page's thread, busy in the loop, handles nothing
        // else (the close requests of the windows it opened among them)
        // before the loop ends.
        const std::wstring* count = step.Key(L"count");
        const int n = count ? ParseInt(*count).value_or(0) : 0;
        if (step.words.size() != 1 || n <= 0) {
            error = L"storm takes a name prefix and count=N";
            return false;
        }
        std::vector<std::pair<std::wstring, std::wstring>> keys;
        for (auto& kv : step.keys)
            if (kv.first != L"count")
                keys.push_back(kv);
        for (int i = 1; i <= n; ++i)
            if (!OpenWindow(step.words[0] + std::to_wstring(i), keys, error))
                return false;
    } else if (verb == L"set") {
        auto w = window();
        return w && shell.Update(*w, step.keys, error);
    } else if (verb == L"fire") {
        auto w = window();
        if (!w)
            return false;
        shell.Fire(*w);
    } else if (verb == L"close") {
        auto w = window();
        if (!w)
            return false;
        shell.Close(*w);
    } else if (verb == L"close-all") {
        auto windows = shell.Windows();
        for (auto& w : windows)
            shell.Close(*w);
    } else if (verb == L"sleep") {
        auto ms = step.words.empty() ? std::nullopt : ParseInt(step.words[0]);
        if (!ms || *ms < 0) {
            error = L"sleep takes milliseconds";
            return false;
        }
        Pump(DWORD(*ms), nullptr);
    } else if (verb == L"wait-client") {
        Log::Get().Write("waiting", "for=client");
        bool ok = Pump(TimeoutArg(step, 60000), [&] { return shell.SinkCount() > 0; });
        Log::Get().Write(ok ? "client" : "timeout", ok ? "" : "step=wait-client");
    } else if (verb == L"wait-close") {
        // The window may have closed already; then there is nothing to wait for.
        auto w = step.words.empty() ? nullptr : shell.FindEver(step.words[0]);
        if (!w) {
            error = L"no window was ever named " + (step.words.empty() ? L"" : step.words[0]);
            return false;
        }
        bool ok =
            Pump(TimeoutArg(step, 30000), [&] { return w->closeRequests > 0 || w->destroyed; });
        if (!ok)
            Log::Get().Write("timeout", "step=wait-close window=" + Utf8(w->name));
    } else if (verb == L"wait-unadvise") {
        bool ok = Pump(TimeoutArg(step, 30000), [&] { return shell.SinkCount() == 0; });
        if (!ok)
            Log::Get().Write("timeout", "step=wait-unadvise");
    } else if (verb == L"shell") {
        // shell hang=advise:SECONDS, shell hang=no: the next subscription
        // waits; shell busy=SECONDS: every call is turned away meanwhile.
        if (const std::wstring* busy = step.Key(L"busy"); busy && step.keys.size() == 1) {
            auto seconds = ParseSeconds(*busy);
            if (!seconds || !*seconds) {
                error = L"shell busy= takes SECONDS";
                return false;
            }
            ShellBusyFor(DWORD(*seconds));
            return true;
        }
        const std::wstring* hang = step.Key(L"hang");
        unsigned long ms = 0;
        bool ok = hang && step.keys.size() == 1;
        if (ok && *hang != L"no") {
            auto seconds =
                hang->rfind(L"advise:", 0) == 0 ? ParseSeconds(hang->substr(7)) : std::nullopt;
            ok = seconds.has_value();
            ms = seconds.value_or(0);
        }
        if (!ok) {
            error = L"shell takes hang=advise:SECONDS, hang=no or busy=SECONDS";
            return false;
        }
        shell.HangAtAdvise(DWORD(ms));
    } else if (verb == L"taskbar-created") {
        // What Explorer tells every top-level window once it has made the
        // taskbar again; notified, so a client that does not answer holds
        // nothing up.
        UINT message = RegisterWindowMessageW(L"TaskbarCreated");
        BOOL sent = message && SendNotifyMessageW(HWND_BROADCAST, message, 0, 0);
        Log::Get().Write("taskbar-created",
                         "message=" + Hex(message) + " sent=" + (sent ? "yes" : "no"));
    } else if (verb == L"mark") {
        Log::Get().Write("mark", Joined(step.words));
    } else if (verb == L"list") {
        for (auto& w : shell.Windows())
            Log::Get().Write("window", Utf8(w->name) + " cookie=" + std::to_string(w->cookie) +
                                           " hwnd=" + Hex(ULONG(UINT_PTR(w->hwnd))) +
                                           " frame=" + Utf8(w->frame->name));
    } else if (verb == L"die") {
        // Ends at once, like a crashed browser: no unadvise, no clean-up.
        Log::Get().Write("die");
        Crash();
    } else if (verb == L"die-inside") {
        auto calls = step.words.empty() ? std::nullopt : ParseInt(step.words[0]);
        if (!calls || *calls <= 0) {
            error = L"die-inside takes a number of calls";
            return false;
        }
        DieInside(*calls);
    } else if (verb == L"quit") {
        quit = true;
    } else {
        error = L"unknown step: " + verb;
        return false;
    }
    return true;
}

}  // namespace

// Runs the message loop until done() holds or the time is up; true if done() held.
bool Pump(DWORD timeoutMs, const std::function<bool()>& done) {
    DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        if (done && done())
            return true;
        DWORD elapsed = GetTickCount() - start;
        if (elapsed >= timeoutMs)
            return done ? done() : true;
        DWORD slice = timeoutMs - elapsed < 10 ? timeoutMs - elapsed : 10;
        MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

int RunScenario(const std::wstring& path, bool follow) {
    ScenarioReader reader(path, follow);
    std::wstring text;
    int line = 0;
    while (reader.Next(text)) {
        ++line;
        Step step;
        std::wstring error;
        bool quit = false;
        if (ParseLine(text, line, step, error) &&
            (step.verb.empty() || RunStep(step, quit, error))) {
            if (quit)
                break;
            // Let what the step caused (a posted close, an unadvise) happen before the next one.
            Pump(0, nullptr);
            continue;
        }
        Log::Get().Write("error", "line=" + std::to_string(line) + " message=" + Quote(error) +
                                      " text=" + Quote(text));
        return 2;
    }
    return 0;
}

}  // namespace sim
