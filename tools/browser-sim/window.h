// One simulated browser window: what the scenario says about it, and the COM
// objects and real top-level window that stand for it.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <atomic>
#include <memory>
#include <set>
#include <string>

namespace sim {

using Microsoft::WRL::ComPtr;

enum class DocKind { Html, Other, None };
// What the document's parentWindow.opener holds when the window opens.
enum class OpenerKind { None, Empty, Null, Object, Window, Fail };
// What opener.parent.closed reports: Live follows the opener window's real state.
enum class ClosedMode { Live, False, True, Fail };
// Who turns calls away while a window is busy: each member of its objects
// (RPC_E_SERVERCALL_RETRYLATER), or its thread's message filter, answering
// SERVERCALL_RETRYLATER or SERVERCALL_REJECTED.
enum class BusyBy { Member, Filter, FilterReject };

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
    std::wstring tabOf;            // opens as a new tab in this window's frame
    bool fire = true;              // raise WindowRegistered when opened
    int fireInside = 0;            // >0: inside the client's Nth call from then on; or kAtAdvise
    bool ownThread = false;        // served from a thread of its own (hang= and busy= need one)
    bool ownPage = false;          // its document and script window on yet another thread
    std::wstring hangRead;         // the read at which the window's thread stops answering, once
    DWORD hangMs = 0;              // for how long; INFINITE: until the end
    DWORD busyMs = 0;              // >0: every call is rejected for this long from the next one
    BusyBy busyBy = BusyBy::Member;
};

// Applies one key=value of an "open" or "set" line.
bool ApplyKey(WindowProps& props, const std::wstring& key, const std::wstring& value,
              std::wstring& error);
// Whether a hang= value arms a read of the page (document and script window),
// not of the browser object: "no" and READ:TIME with such a READ.
bool IsPageHang(const std::wstring& value);

class BrowserObj;
class DocumentObj;
class Frame;
class ReferenceStock;
class HtmlWindowObj;
class WindowThread;

class BrowserWindow : public std::enable_shared_from_this<BrowserWindow> {
  public:
    BrowserWindow();
    ~BrowserWindow();

    // The settings as they are now. A window on a thread of its own reads them
    // there while the scenario's thread may change them: both go through here.
    WindowProps Settings() const;
    bool Fails(const wchar_t* member) const;
    // Whether the calling thread serves the window's browser or its page: a
    // window's faults act there, not where its objects are only passed on.
    bool ServedHere() const;
    // Changes the settings; `change` runs under the same lock.
    template <class F>
    void Change(F&& change) {
        AcquireSRWLockExclusive(&lock_);
        change(props);
        ReleaseSRWLockExclusive(&lock_);
    }

    std::wstring name;
    HWND hwnd = nullptr;  // the frame's, as every tab reports it
    std::shared_ptr<Frame> frame;
    HWND frameTab = nullptr;   // the tab's "Frame Tab" child of the frame
    HWND tabWindow = nullptr;  // the tab's own window, inside its "Frame Tab"
    LONG cookie = 0;
    std::atomic<bool> destroyed = false;
    std::atomic<bool> quitting = false;  // Quit was called; the tab closes soon
    std::atomic<int> closeRequests = 0;
    ComPtr<BrowserObj> browser;
    ComPtr<DocumentObj> document;
    ComPtr<HtmlWindowObj> script;  // the document's parentWindow
    // Set for a window served from a thread of its own; its objects and its
    // real window live there, and the collection hands out what it marshals.
    std::unique_ptr<WindowThread> thread;
    // Set for a window whose page (page=own) has a thread of its own: the
    // document and the script window live there, the browser object does not.
    std::unique_ptr<WindowThread> page;
    // References to the browser, its window object and its document made on
    // the thread that serves them, for other threads to pass on (references.h):
    // the browser's for a window on its own thread, the window object's once a
    // popup served by another thread has this window as its opener, the
    // document's for the browser's Document when the page has its own thread.
    std::shared_ptr<ReferenceStock> browserRefs, scriptRefs, documentRefs;
    DWORD threadId = 0;      // the thread that serves the window
    DWORD pageThreadId = 0;  // with page=own, the one that serves its page
    // When a busy window takes calls again (GetTickCount), once its first call came.
    std::atomic<DWORD> busyUntil = 0;
    std::atomic<bool> busyNow = false;

  private:
    WindowProps props;
    mutable SRWLOCK lock_ = SRWLOCK_INIT;
};

}  // namespace sim
