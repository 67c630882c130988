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
#include <string>

#include "com_util.h"
#include "faults.h"
#include "scenario.h"
#include "shell.h"
#include "sim_log.h"
#include "steps.h"
#include "trace.h"

namespace sim {
namespace {

class ClassFactory final : public IClassFactory {
  public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        return QueryOne<IClassFactory>(this, riid, IID_IClassFactory, out);
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid,
                                             void** out) noexcept override {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        if (HRESULT busy = ShellBusyAnswer("CreateInstance"); FAILED(busy))
            return busy;
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

struct Options {
    std::wstring log, scenario;
    bool follow = false, trace = false;
    DWORD timeoutSeconds = 300;
};

// Set when the run has ended in time: the watchdog then ends too.
const HANDLE g_runEnded = CreateEventW(nullptr, TRUE, FALSE, nullptr);

DWORD WINAPI Watchdog(void* param) {
    auto* opt = static_cast<Options*>(param);
    if (WaitForSingleObject(g_runEnded, opt->timeoutSeconds * 1000) == WAIT_OBJECT_0)
        return 0;
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
    HANDLE watchdog = CreateThread(nullptr, 0, Watchdog, &opt, 0, nullptr);

    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (SUCCEEDED(hr) && opt.trace)
        TraceCalls();
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
    SetClassRegistration(registration);
    log.Write("registered");

    int code = 0;
    if (opt.scenario.empty())
        Pump(opt.timeoutSeconds * 1000, nullptr);  // started by COM with no story to tell
    else
        code = RunScenario(opt.scenario, opt.follow);

    log.Write("quit", "code=" + std::to_string(code));
    CoRevokeClassObject(registration);
    if (!Shell::Get().Shutdown()) {
        log.Write("error", "message=\"a window's thread did not end\"");
        code = code ? code : 4;
    }
    CoUninitialize();
    SetEvent(g_runEnded);
    WaitForSingleObject(watchdog, INFINITE);
    log.Write("exit", "code=" + std::to_string(code));
    // Every thread of the simulator's own has ended, or waits in a hang, and
    // its COM is uninitialized: only the runtime's own threads are at work.
    // The runtime's clean-up at a normal exit is not what the simulator is
    // for, so it ends here.
    TerminateProcess(GetCurrentProcess(), UINT(code));
    return code;
}
