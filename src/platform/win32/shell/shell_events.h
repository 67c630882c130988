// The receiving end of DShellWindowsEvents and the connection that feeds it.
#pragma once

#include <windows.h>

#include <ocidl.h>
#include <wrl/client.h>

#include "platform/shell.h"
#include "platform/win32/shell/remote_calls.h"
#include "platform/win32/shell/shell_guids.h"

namespace shutterling::win32 {

using Microsoft::WRL::ComPtr;

// A dispinterface sink: WindowRegistered goes to the handler, every other
// event is accepted and dropped. The shell calls it on a thread of the
// multithreaded apartment; the handler runs on the user-interface thread
// while the shell waits.
class ShellEventSink final : public IDispatch {
  public:
    explicit ShellEventSink(platform::ShellAutomation::WindowRegisteredHandler handler);
    ShellEventSink(const ShellEventSink&) = delete;
    ShellEventSink& operator=(const ShellEventSink&) = delete;

    // After this no event reaches the handler, even one already on its way.
    void Detach() noexcept;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) noexcept override;
    ULONG STDMETHODCALLTYPE AddRef() noexcept override;
    ULONG STDMETHODCALLTYPE Release() noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) noexcept override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) noexcept override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID,
                                            DISPID* ids) noexcept override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO*, UINT* argError) noexcept override;

  private:
    ~ShellEventSink() = default;
    bool Detached() noexcept;

    LONG refs_ = 1;
    LONG detached_ = 0;
    const platform::ShellAutomation::WindowRegisteredHandler handler_;
};

// An Advise cookie that unadvises when it goes away (on a worker: the
// shut-down does not wait for it).
class ConnectionToken {
  public:
    ConnectionToken() = default;
    ConnectionToken(ComPtr<IConnectionPoint> point, DWORD cookie, ComPtr<ShellEventSink> sink,
                    Answerer shell = kShell)
        : point_(std::move(point)), cookie_(cookie), sink_(std::move(sink)), shell_(shell) {}
    ConnectionToken(const ConnectionToken&) = delete;
    ConnectionToken& operator=(const ConnectionToken&) = delete;
    ConnectionToken(ConnectionToken&& other) noexcept;
    ConnectionToken& operator=(ConnectionToken&& other) noexcept;
    ~ConnectionToken() { Reset(); }

    void Reset() noexcept;

  private:
    ComPtr<IConnectionPoint> point_;  // released by Reset, through RemoteCalls
    DWORD cookie_ = 0;
    ComPtr<ShellEventSink> sink_;
    Answerer shell_ = kShell;
};

// Subscribes a new sink for the handler; an empty token when the object has
// no such connection point or refuses the sink.
std::optional<ConnectionToken> AdviseShellEvents(
    IUnknown* source, platform::ShellAutomation::WindowRegisteredHandler handler,
    Answerer shell = kShell);

}  // namespace shutterling::win32
