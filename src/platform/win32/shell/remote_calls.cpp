// The calls' one instance, the retries of a busy server, and identities.
#include "platform/win32/shell/remote_calls.h"

namespace shutterling::win32 {
namespace {

// A busy browser is asked again at about the pace Windows itself retries.
constexpr DWORD kRetryPauseMs = 100;

}  // namespace

RemoteCalls& RemoteCalls::Get() {
    static RemoteCalls* calls = new RemoteCalls;
    return *calls;
}

bool& TurnedAway() {
    thread_local bool turnedAway = false;
    return turnedAway;
}

HRESULT RetryWhileBusy(DWORD deadline, const std::function<HRESULT()>& call) {
    for (;;) {
        const HRESULT hr = call();
        if (hr != RPC_E_SERVERCALL_RETRYLATER && hr != RPC_E_CALL_REJECTED)
            return hr;
        if (static_cast<LONG>(deadline - GetTickCount()) <= static_cast<LONG>(kRetryPauseMs)) {
            TurnedAway() = true;
            return hr;
        }
        Sleep(kRetryPauseMs);
    }
}

Answerer IdentityOf(IUnknown* object) {
    IUnknown* identity = nullptr;
    if (!object || FAILED(object->QueryInterface(IID_PPV_ARGS(&identity))))
        return 0;
    const auto key = reinterpret_cast<Answerer>(identity);
    RemoteCalls::Get().Release(key, identity);  // not its last: the object holds it
    return key;
}

}  // namespace shutterling::win32
