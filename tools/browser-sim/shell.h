// The simulated shell: the collection of browser windows, what happens to
// them as the scenario goes, and the clients subscribed to its events.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "window.h"

namespace sim {

class Shell {
  public:
    static Shell& Get();

    bool Init(std::wstring& error);
    // The ShellWindows object that every activation hands out.
    IUnknown* Collection();

    std::shared_ptr<BrowserWindow> Open(const std::wstring& name, const WindowProps& props,
                                        std::wstring& error);
    bool Update(BrowserWindow& window,
                const std::vector<std::pair<std::wstring, std::wstring>>& keys,
                std::wstring& error);
    void Fire(BrowserWindow& window);
    // Keeps an open window out of the collection until it registers.
    void Withhold(BrowserWindow& window);
    // Adds a withheld window to the collection and raises WindowRegistered.
    void Register(BrowserWindow& window);
    void Close(BrowserWindow& window);
    std::shared_ptr<BrowserWindow> Find(const std::wstring& name) const;
    // The last window of that name, open or closed.
    std::shared_ptr<BrowserWindow> FindEver(const std::wstring& name) const;
    const std::vector<std::shared_ptr<BrowserWindow>>& Windows() const { return windows_; }
    // From the window's WM_DESTROY, on the thread that serves it.
    void OnDestroyed(BrowserWindow& window);
    // The window leaves the collection.
    void Forget(LONG cookie);
    // Marshals more references to the window object of a window on the shell's thread.
    void RefillScript(LONG cookie);
    // Asks the shell's thread to RefillScript; from any thread.
    void AskRefillScript(LONG cookie);
    bool OnShellThread() const;

    // The next Advise blocks the shell's thread for `ms` first (0: it does not).
    void HangAtAdvise(DWORD ms) { adviseHangMs_ = ms; }
    HRESULT Advise(IUnknown* sink, DWORD* cookie);
    HRESULT Unadvise(DWORD cookie);
    size_t SinkCount() const { return sinks_.size(); }
    int Unadvised() const { return unadvised_; }

    // Ends the run: the collection and every window gone, every window's
    // thread out of its apartment and ended, or held in its hang. False if a
    // thread did neither in time.
    bool Shutdown();

  private:
    Shell() = default;

    struct Sink {
        DWORD cookie;
        ComPtr<IDispatch> dispatch;
    };
    std::vector<std::shared_ptr<BrowserWindow>> windows_;
    std::vector<std::shared_ptr<BrowserWindow>> openedWindows_;  // kept for wait-close
    std::vector<Sink> sinks_;
    ComPtr<IUnknown> collection_;
    DWORD thread_ = 0;
    HWND notices_ = nullptr;  // takes what windows' threads tell the shell
    LONG nextWindowCookie_ = 0;
    DWORD nextSinkCookie_ = 0;
    int unadvised_ = 0;
    DWORD adviseHangMs_ = 0;
    int opened_ = 0;
};

}  // namespace sim
