// The simulated shell: a collection of browser windows, each a real top-level
// window with an IWebBrowser2 object, a document and a script window object,
// handed out through a ShellWindows-compatible COM object with events.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace sim {

using Microsoft::WRL::ComPtr;

enum class DocKind { Html, Other, None };
// What the document's parentWindow.opener holds when the window opens.
enum class OpenerKind { None, Empty, Null, Object, Window, Fail };
// What opener.parent.closed reports: Live follows the opener window's real state.
enum class ClosedMode { Live, False, True, Fail };

struct WindowProps {
    std::wstring title;
    DocKind doc = DocKind::Html;
    std::wstring className;  // empty: the kind's usual class name
    bool classInfo = true;   // whether the document offers IProvideClassInfo
    OpenerKind opener = OpenerKind::None;
    std::wstring openerWindow;
    ClosedMode closed = ClosedMode::Live;
    bool menubar = true;
    bool fullscreen = false;
    int width = 800, height = 600;              // the Width and Height properties
    int restoredWidth = 0, restoredHeight = 0;  // 0: the same as the properties
    int x = -1, y = -1;                         // -1: cascade
    int show = SW_SHOWNOACTIVATE;
    std::set<std::wstring> fails;  // members whose reads fail
    bool ignoreClose = false;      // WM_CLOSE is logged but the window stays
    bool fire = true;              // raise WindowRegistered when opened
    int fireInside = 0;            // >0: raise it inside the Nth call of the client from then on
};

// Applies one key=value of an "open" or "set" line.
bool ApplyKey(WindowProps& props, const std::wstring& key, const std::wstring& value,
              std::wstring& error);

class BrowserObj;
class DocumentObj;
class HtmlWindowObj;

class BrowserWindow : public std::enable_shared_from_this<BrowserWindow> {
  public:
    BrowserWindow();
    ~BrowserWindow();
    bool Fails(const wchar_t* member) const { return props.fails.count(member) != 0; }

    std::wstring name;
    WindowProps props;
    HWND hwnd = nullptr;
    LONG cookie = 0;
    bool destroyed = false;
    int closeRequests = 0;
    ComPtr<BrowserObj> browser;
    ComPtr<DocumentObj> document;
    ComPtr<HtmlWindowObj> script;  // the document's parentWindow
};

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
    // Adds the window to the collection and raises WindowRegistered from inside
    // the client's call that comes `calls` calls from now, the way the real
    // shell's events reach a client that is waiting on a call of its own.
    void FireInside(BrowserWindow& window, int calls);
    // Ends the process, like a crash, inside the client's call `calls` calls from now.
    void DieInside(int calls);
    // Every call a client makes on the simulator's objects passes here first.
    void OnClientCall();
    void Close(BrowserWindow& window);
    std::shared_ptr<BrowserWindow> Find(const std::wstring& name) const;
    // The last window of that name, open or closed.
    std::shared_ptr<BrowserWindow> FindEver(const std::wstring& name) const;
    const std::vector<std::shared_ptr<BrowserWindow>>& Windows() const { return windows_; }
    void OnDestroyed(BrowserWindow& window);

    HRESULT Advise(IUnknown* sink, DWORD* cookie);
    HRESULT Unadvise(DWORD cookie);
    size_t SinkCount() const { return sinks_.size(); }
    int Unadvised() const { return unadvised_; }

    void Shutdown();

  private:
    Shell() = default;
    bool SetOpener(BrowserWindow& window, std::wstring& error);
    void MakeDocument(BrowserWindow& window);
    void Place(BrowserWindow& window);

    struct Sink {
        DWORD cookie;
        ComPtr<IDispatch> dispatch;
    };
    std::vector<std::shared_ptr<BrowserWindow>> windows_;
    std::vector<std::shared_ptr<BrowserWindow>> openedWindows_;  // kept for wait-close
    std::vector<Sink> sinks_;
    struct Deferred {
        std::weak_ptr<BrowserWindow> window;
        int calls;
        bool die = false;
    };
    std::vector<Deferred> deferred_;
    ComPtr<IUnknown> collection_;
    LONG nextWindowCookie_ = 0;
    DWORD nextSinkCookie_ = 0;
    int unadvised_ = 0;
    int opened_ = 0;
};

}  // namespace sim
