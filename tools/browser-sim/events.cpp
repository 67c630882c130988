// The shell's events and the clients subscribed to them.
#include <ocidl.h>
#include <olectl.h>

#include <algorithm>
#include <utility>

#include "com_util.h"
#include "faults.h"
#include "shell.h"
#include "sim_log.h"

namespace sim {

void Shell::Fire(BrowserWindow& w) {
    // Sinks may unadvise from inside the call, so walk a copy.
    auto sinks = sinks_;
    auto keep = w.shared_from_this();
    for (auto& s : sinks) {
        std::string who = Utf8(w.name) + " cookie=" + std::to_string(w.cookie) +
                          " sink=" + std::to_string(s.cookie);
        Log::Get().Write("fire", who);
        Variant arg;
        V_VT(arg.Out()) = VT_I4;
        V_I4(&arg.Get()) = w.cookie;
        DISPPARAMS params{&arg.Get(), nullptr, 1, 0};
        Variant result;
        HRESULT hr = s.dispatch->Invoke(kDispidWindowRegistered, IID_NULL, LOCALE_USER_DEFAULT,
                                        DISPATCH_METHOD, &params, result.Out(), nullptr, nullptr);
        Log::Get().Write("fired", who + " hr=" + Hex(ULONG(hr)));
        bool gone = hr == RPC_E_DISCONNECTED || hr == RPC_E_SERVER_DIED ||
                    hr == RPC_E_SERVER_DIED_DNE ||
                    hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) ||
                    hr == HRESULT_FROM_WIN32(RPC_S_CALL_FAILED) || hr == CO_E_OBJNOTCONNECTED;
        if (gone) {
            // The client went away without unadvising; stop calling it.
            Log::Get().Write("sink-dead", "sink=" + std::to_string(s.cookie));
            std::erase_if(sinks_, [&](const Sink& x) { return x.cookie == s.cookie; });
        }
    }
}

void Shell::Withhold(BrowserWindow& w) {
    std::erase_if(windows_, [&](const auto& other) { return other.get() == &w; });
}

void Shell::Register(BrowserWindow& w) {
    windows_.push_back(w.shared_from_this());
    Fire(w);
}

HRESULT Shell::Advise(IUnknown* sink, DWORD* cookie) {
    if (DWORD ms = std::exchange(adviseHangMs_, 0))
        HangShell("advise", ms);
    ComPtr<IDispatch> dispatch;
    const char* via = "DShellWindowsEvents";
    HRESULT hr = sink->QueryInterface(kDIID_DShellWindowsEvents,
                                      reinterpret_cast<void**>(dispatch.GetAddressOf()));
    if (FAILED(hr)) {
        via = "IDispatch";
        hr = sink->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf()));
    }
    if (FAILED(hr)) {
        Log::Get().Write("advise-failed", "hr=" + Hex(ULONG(hr)));
        return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = ++nextSinkCookie_;
    sinks_.push_back({*cookie, dispatch});
    Log::Get().Write("advise", "sink=" + std::to_string(*cookie) + " via=" + via);
    OnAdvised();
    return S_OK;
}

HRESULT Shell::Unadvise(DWORD cookie) {
    auto it = std::find_if(sinks_.begin(), sinks_.end(),
                           [&](const Sink& s) { return s.cookie == cookie; });
    if (it == sinks_.end()) {
        Log::Get().Write("unadvise-unknown", "sink=" + std::to_string(cookie));
        return CONNECT_E_NOCONNECTION;
    }
    sinks_.erase(it);
    ++unadvised_;
    Log::Get().Write("unadvise", "sink=" + std::to_string(cookie));
    return S_OK;
}

}  // namespace sim
