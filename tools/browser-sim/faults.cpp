#include "faults.h"

#include <windows.h>

#include <exdisp.h>
#include <ocidl.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "com_util.h"
#include "shell.h"
#include "sim_log.h"
#include "type_info.h"

namespace sim {
namespace {

struct Deferred {
    std::weak_ptr<BrowserWindow> window;
    int calls;  // kAtAdvise: at the next Advise instead
    bool die = false;
};
std::vector<Deferred> g_deferred;
// Set once the run ends: a hang then lasts until the process has ended.
const HANDLE g_runEnding = CreateEventW(nullptr, TRUE, FALSE, nullptr);
// The threads blocked in a hang now.
SRWLOCK g_hungLock = SRWLOCK_INIT;
std::vector<DWORD> g_hung;

std::string Seconds(double ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", ms / 1000.0);
    return text;
}

// Whether the window turns this call away. Its busy time starts with the first
// call after busy= was set; the first call it takes again is logged as answered.
bool Rejects(BrowserWindow& w, BusyBy by, const std::string& member) {
    // A window's faults act on its own threads, not where its objects are reached as openers.
    if (!w.ServedHere())
        return false;
    DWORD armed = 0;
    bool mine = false;
    w.Change([&](WindowProps& p) {
        mine = p.busyBy == by;
        if (mine)
            armed = std::exchange(p.busyMs, 0);
    });
    if (!mine)
        return false;
    DWORD now = GetTickCount();
    if (armed) {
        w.busyUntil = now + armed;
        w.busyNow = true;
        Log::Get().Write("busy", Utf8(w.name) + " for=" + Seconds(armed));
    }
    if (!w.busyNow)
        return false;
    if (LONG(now - w.busyUntil) < 0) {
        Log::Get().Write("rejected", Utf8(w.name) + " member=" + member);
        return true;
    }
    w.busyNow = false;
    Log::Get().Write("answer", Utf8(w.name) + " member=" + member);
    return false;
}

// A method's name from the call's interface and vtable slot, as the message
// filter sees it: the shdocvw type library names the browser's members.
std::string MethodName(REFIID iid, WORD method) {
    static const char* const kDispatch[] = {
        "QueryInterface", "AddRef",        "Release", "GetTypeInfoCount",
        "GetTypeInfo",    "GetIDsOfNames", "Invoke"};
    static const char* const kTypeInfo[] = {
        "GetTypeAttr", "GetTypeComp",          "GetFuncDesc",      "GetVarDesc",
        "GetNames",    "GetRefTypeOfImplType", "GetImplTypeFlags", "GetIDsOfNames",
        "Invoke",      "GetDocumentation"};
    bool dispatch = iid == IID_IDispatch || ShDocVwInfo(iid);
    if (method < (dispatch ? 7 : 3))
        return kDispatch[method];
    // {00000131-0000-0000-C000-000000000046}: QueryInterface, AddRef and Release across apartments.
    static constexpr GUID kIidRemUnknown = {0x131, 0, 0, {0xc0, 0, 0, 0, 0, 0, 0, 0x46}};
    static const char* const kRemUnknown[] = {"RemQueryInterface", "RemAddRef", "RemRelease"};
    if (iid == kIidRemUnknown && method < 6)
        return kRemUnknown[method - 3];
    if (iid == IID_IProvideClassInfo && method == 3)
        return "GetClassInfo";
    if (iid == IID_ITypeInfo && method < 13)
        return std::string("ITypeInfo.") + kTypeInfo[method - 3];
    if (ITypeInfo* info = dispatch ? ShDocVwInfo(iid) : nullptr) {
        TYPEATTR* attr = nullptr;
        if (SUCCEEDED(info->GetTypeAttr(&attr))) {
            std::string name;
            for (WORD i = 0; i < attr->cFuncs && name.empty(); ++i) {
                FUNCDESC* f = nullptr;
                if (FAILED(info->GetFuncDesc(i, &f)))
                    continue;
                Bstr text;
                if (f->oVft == SHORT(method * sizeof(void*)) &&
                    SUCCEEDED(
                        info->GetDocumentation(f->memid, text.Out(), nullptr, nullptr, nullptr)))
                    name = Utf8(text.Str());
                info->ReleaseFuncDesc(f);
            }
            info->ReleaseTypeAttr(attr);
            if (!name.empty())
                return name;
        }
    }
    return "method" + std::to_string(method);
}

class BusyFilter final : public IMessageFilter {
  public:
    explicit BusyFilter(std::weak_ptr<BrowserWindow> window) : window_(std::move(window)) {}

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** out) noexcept override {
        return QueryOne<IMessageFilter>(this, riid, IID_IMessageFilter, out);
    }
    SIM_SELF_DELETING_REFCOUNT(refs_)
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD,
                                               LPINTERFACEINFO info) noexcept override {
        auto w = window_.lock();
        if (!w || !info)
            return SERVERCALL_ISHANDLED;
        std::string member = MethodName(info->iid, info->wMethod);
        if (Rejects(*w, BusyBy::Filter, member))
            return SERVERCALL_RETRYLATER;
        if (Rejects(*w, BusyBy::FilterReject, member))
            return SERVERCALL_REJECTED;
        return SERVERCALL_ISHANDLED;
    }
    // The window's thread calls no one, so these are never asked.
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) noexcept override {
        return DWORD(-1);
    }
    DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) noexcept override {
        return PENDINGMSG_WAITDEFPROCESS;
    }

  private:
    RefCount refs_;
    std::weak_ptr<BrowserWindow> window_;
};

}  // namespace

namespace {
// While the shell is busy (shell busy=): until when, and the calls turned away.
bool g_shellBusy = false;
DWORD g_shellBusyUntil = 0;
unsigned g_shellRejected = 0;
}  // namespace

void ShellBusyFor(DWORD ms) {
    g_shellBusy = true;
    g_shellBusyUntil = GetTickCount() + ms;
    g_shellRejected = 0;
    Log::Get().Write("busy", "shell for=" + Seconds(ms));
}

HRESULT ShellBusyAnswer(const char* member) {
    if (!g_shellBusy)
        return S_OK;
    if (LONG(GetTickCount() - g_shellBusyUntil) < 0) {
        if (g_shellRejected++ == 0)
            Log::Get().Write("rejected", std::string("shell member=") + member);
        return RPC_E_SERVERCALL_RETRYLATER;
    }
    g_shellBusy = false;
    Log::Get().Write("answer", std::string("shell member=") + member +
                                   " rejected=" + std::to_string(g_shellRejected));
    return S_OK;
}

void FireInside(BrowserWindow& w, int calls) {
    // The window joins the collection when it registers, inside that call.
    Log::Get().Write("fire-inside", Utf8(w.name) + " calls=" + std::to_string(calls));
    Shell::Get().Withhold(w);
    g_deferred.push_back({w.weak_from_this(), calls});
}

namespace {
DWORD g_registration = 0;
}  // namespace

void SetClassRegistration(DWORD cookie) {
    g_registration = cookie;
}

void Crash() {
    if (g_registration)
        CoRevokeClassObject(g_registration);
    TerminateProcess(GetCurrentProcess(), 9);
    for (;;)
        Sleep(INFINITE);
}

void DieInside(int calls) {
    g_deferred.push_back({{}, calls, true});
}

namespace {

// Takes the deferred work that is due off the list before it runs: the
// client's nested handler calls back in. Then raises it.
template <class Due>
void RunDue(Due due) {
    std::vector<Deferred> now;
    for (auto it = g_deferred.begin(); it != g_deferred.end();) {
        if (due(*it)) {
            now.push_back(*it);
            it = g_deferred.erase(it);
        } else {
            ++it;
        }
    }
    for (auto& d : now) {
        if (d.die) {
            Log::Get().Write("die", "inside=call");
            Crash();
        }
        if (auto w = d.window.lock(); w && !w->destroyed)
            Shell::Get().Register(*w);
    }
}

}  // namespace

void OnClientCall() {
    // Calls served on a window's own thread do not count: the events they
    // would raise belong to the shell's thread.
    if (g_deferred.empty() || !Shell::Get().OnShellThread())
        return;
    RunDue([](Deferred& d) { return d.calls != kAtAdvise && --d.calls <= 0; });
}

void OnAdvised() {
    RunDue([](const Deferred& d) { return d.calls == kAtAdvise; });
}

void HangAt(BrowserWindow& w, const wchar_t* read, const char* member) {
    if (!w.ServedHere())
        return;
    DWORD ms = 0;
    bool armed = false;
    w.Change([&](WindowProps& p) {
        armed = p.hangRead == read;
        if (armed) {
            ms = p.hangMs;
            p.hangRead.clear();
        }
    });
    if (!armed)
        return;
    Log::Get().Write("hang", Utf8(w.name) + " read=" + member +
                                 " for=" + (ms == INFINITE ? "forever" : Seconds(ms)));
    double start = Log::Get().Now();
    AcquireSRWLockExclusive(&g_hungLock);
    g_hung.push_back(GetCurrentThreadId());
    ReleaseSRWLockExclusive(&g_hungLock);
    WaitForSingleObject(g_runEnding, ms);
    // Once the run ends the read is never answered: an answer would set the
    // waiting client going again in the middle of the simulator's end. Decided
    // under the lock, so the end never counts on a thread that then goes on.
    AcquireSRWLockExclusive(&g_hungLock);
    bool ending = WaitForSingleObject(g_runEnding, 0) == WAIT_OBJECT_0;
    if (!ending)
        std::erase(g_hung, GetCurrentThreadId());
    ReleaseSRWLockExclusive(&g_hungLock);
    if (ending)
        Sleep(INFINITE);
    Log::Get().Write(
        "answer", Utf8(w.name) + " read=" + member + " after=" + Seconds(Log::Get().Now() - start));
}

void HangShell(const char* read, DWORD ms) {
    Log::Get().Write("hang", std::string("shell read=") + read + " for=" + Seconds(ms));
    double start = Log::Get().Now();
    Sleep(ms);
    Log::Get().Write("answer", std::string("shell read=") + read +
                                   " after=" + Seconds(Log::Get().Now() - start));
}

void HoldHangs() {
    SetEvent(g_runEnding);
}

bool Hanging(DWORD threadId) {
    AcquireSRWLockShared(&g_hungLock);
    bool hanging = std::find(g_hung.begin(), g_hung.end(), threadId) != g_hung.end();
    ReleaseSRWLockShared(&g_hungLock);
    return hanging;
}

HRESULT BusyAnswer(BrowserWindow& w, const char* member) {
    return Rejects(w, BusyBy::Member, member) ? RPC_E_SERVERCALL_RETRYLATER : S_OK;
}

Microsoft::WRL::ComPtr<IMessageFilter> NewBusyFilter(std::weak_ptr<BrowserWindow> window) {
    Microsoft::WRL::ComPtr<IMessageFilter> filter;
    filter.Attach(new BusyFilter(std::move(window)));
    return filter;
}

}  // namespace sim
