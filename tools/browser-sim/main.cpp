// browser-sim: a stand-in for the shell's collection of browser windows, driven
// by a scenario that reads as a story and logging what happens to each window.
//
//   browser-sim.exe [--log FILE] [--follow] [--timeout SECONDS] [--trace] [SCENARIO]
//
// With --follow the scenario file is read as it grows, so a test can append
// steps one by one; the run ends at a "quit" step. See README.md for the steps.
#include <windows.h>

#include <objbase.h>
#include <shellapi.h>

#include <cstdio>
#include <functional>
#include <string>

#include "com_util.h"
#include "scenario.h"
#include "shell.h"
#include "sim_log.h"

namespace sim {
namespace {

class ClassFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        if (!out)
            return E_POINTER;
        if (riid == IID_IUnknown || riid == IID_IClassFactory) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid,
                                             void** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        IUnknown* collection = Shell::Get().Collection();
        HRESULT hr = collection ? collection->QueryInterface(riid, out) : CO_E_SERVER_STOPPING;
        wchar_t iid[40] = L"";
        StringFromGUID2(riid, iid, 40);
        Log::Get().Write("activate", "iid=" + Utf8(iid) + " hr=" + Hex(ULONG(hr)));
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) noexcept override { return S_OK; }

  private:
    RefCount refs_;
};

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

struct Options {
    std::wstring log, scenario;
    bool follow = false, trace = false;
    DWORD timeoutSeconds = 300;
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
        WindowProps props;
        props.title = step.words[0];
        for (auto& [k, v] : step.keys) {
            if (!ApplyKey(props, k, v, error))
                return false;
        }
        auto w = shell.Open(step.words[0], props, error);
        if (!w)
            return false;
        if (props.fire)
            shell.Fire(*w);
        else if (props.fireInside > 0)
            shell.FireInside(*w, props.fireInside);
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
    } else if (verb == L"mark") {
        Log::Get().Write("mark", Joined(step.words));
    } else if (verb == L"list") {
        for (auto& w : shell.Windows())
            Log::Get().Write("window", Utf8(w->name) + " cookie=" + std::to_string(w->cookie) +
                                           " hwnd=" + Hex(ULONG(UINT_PTR(w->hwnd))));
    } else if (verb == L"die") {
        // Ends at once, like a crashed browser: no unadvise, no clean-up.
        Log::Get().Write("die");
        TerminateProcess(GetCurrentProcess(), 9);
    } else if (verb == L"die-inside") {
        auto calls = step.words.empty() ? std::nullopt : ParseInt(step.words[0]);
        if (!calls || *calls <= 0) {
            error = L"die-inside takes a number of calls";
            return false;
        }
        shell.DieInside(*calls);
    } else if (verb == L"quit") {
        quit = true;
    } else {
        error = L"unknown step: " + verb;
        return false;
    }
    return true;
}

int Run(const Options& opt) {
    if (opt.scenario.empty()) {
        // Started by COM with no story to tell: serve until the time is up.
        Pump(opt.timeoutSeconds * 1000, nullptr);
        return 0;
    }
    ScenarioReader reader(opt.scenario, opt.follow);
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

DWORD WINAPI Watchdog(void* param) {
    auto* opt = static_cast<Options*>(param);
    Sleep(opt->timeoutSeconds * 1000);
    Log::Get().Write("timeout", "step=run");
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}

bool ParseArgs(Options& opt) {
    int argc = 0;
    wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv)
        return false;
    bool ok = true;
    for (int i = 1; i < argc && ok; ++i) {
        std::wstring a = argv[i];
        bool more = i + 1 < argc;
        if (a == L"--log" && more) {
            opt.log = argv[++i];
        } else if (a == L"--timeout" && more) {
            auto s = ParseInt(argv[++i]);
            ok = s && *s > 0;
            if (ok)
                opt.timeoutSeconds = DWORD(*s);
        } else if (a == L"--follow") {
            opt.follow = true;
        } else if (a == L"--trace") {
            opt.trace = true;
        } else if (_wcsicmp(a.c_str(), L"-Embedding") == 0 ||
                   _wcsicmp(a.c_str(), L"/Embedding") == 0) {
            // COM started us on its own.
        } else if (a.size() > 1 && a[0] == L'-') {
            ok = false;
        } else {
            opt.scenario = a;
        }
    }
    LocalFree(argv);
    return ok;
}

}  // namespace
}  // namespace sim

int main() {
    using namespace sim;
    static Options opt;
    if (!ParseArgs(opt)) {
        std::fputs(
            "usage: browser-sim [--log FILE] [--follow] [--timeout SECONDS] [--trace] [SCENARIO]\n",
            stderr);
        return 64;
    }
    Log& log = Log::Get();
    if (!opt.log.empty() && !log.Open(opt.log)) {
        std::fprintf(stderr, "browser-sim: cannot write the log %ls\n", opt.log.c_str());
        return 65;
    }
    log.SetTrace(opt.trace);
    log.Write("start", "pid=" + std::to_string(GetCurrentProcessId()));
    CloseHandle(CreateThread(nullptr, 0, Watchdog, &opt, 0, nullptr));

    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::wstring error;
    if (FAILED(hr) || !Shell::Get().Init(error)) {
        log.Write("error", "message=" + Quote(FAILED(hr) ? L"CoInitializeEx failed" : error));
        return 2;
    }
    DWORD registration = 0;
    auto* factory = new ClassFactory();
    hr = CoRegisterClassObject(kClsidSimShell, factory, CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE,
                               &registration);
    factory->Release();
    if (FAILED(hr)) {
        log.Write("error", "message=\"CoRegisterClassObject failed\" hr=" + Hex(ULONG(hr)));
        return 2;
    }
    log.Write("registered");

    int code = Run(opt);

    log.Write("quit", "code=" + std::to_string(code));
    CoRevokeClassObject(registration);
    Shell::Get().Shutdown();
    CoUninitialize();
    log.Write("exit", "code=" + std::to_string(code));
    return code;
}
