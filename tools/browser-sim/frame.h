// A browser's frame: the real top-level window (class IEFrame) and its tabs.
// Each tab is a browser window of its own in the collection, with a "Frame
// Tab" child of the frame holding the tab's own "TabWindowClass" window, as
// Internet Explorer 8 and later lay them out. Every tab reports the frame's
// handle and shares its menu bar, size and placement.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "window.h"

namespace sim {

class Frame : public std::enable_shared_from_this<Frame> {
  public:
    std::wstring name;  // the window it opened with
    HWND hwnd = nullptr;
    const BrowserWindow* first = nullptr;
    int closeRequests = 0;  // on the frame's thread only

    // The open tabs, oldest first; the last one is in front.
    std::vector<std::shared_ptr<BrowserWindow>> Tabs() const;
    std::shared_ptr<BrowserWindow> Tab(LONG cookie) const;
    void Add(BrowserWindow& tab);
    void Drop(const BrowserWindow& tab);

  private:
    // Changed on the frame's thread; `list` and `set` read it from the shell's.
    std::vector<std::weak_ptr<BrowserWindow>> tabs_;
    mutable SRWLOCK lock_ = SRWLOCK_INIT;
};

// Posted to a frame, so that its own thread does the work: take the titles
// and (wparam: the cascade index, lparam: nonzero) the placement from the
// settings; close a tab (lparam: its cookie) as the user does, or after Quit.
constexpr UINT kFrameApply = WM_APP + 1;
constexpr UINT kFrameUserClose = WM_APP + 2;
constexpr UINT kTabQuit = WM_APP + 3;

// The real windows (frame.cpp), made and changed on the frame's thread.
bool RegisterFrameClasses(std::wstring& error);
// Gives the window a frame of its own, hidden until PlaceFrame shows it.
bool CreateFrame(BrowserWindow& window);
// Opens the window as a new tab in front of `host`'s frame, on the frame's thread.
bool AddTab(BrowserWindow& window, BrowserWindow& host);
// Sizes and shows the window's frame as its settings say; `index` cascades
// frames without a position.
void PlaceFrame(BrowserWindow& window, int index);
// The frame's caption is its front tab's title; each tab window has its own.
void ShowTabs(Frame& frame);

// The tabs as the scenario and the clients change them (tabs.cpp).
// Whether a window opened with `props` can open as its settings say: in a
// frame of its own, or (tab=) as a tab of `host`'s frame, null when no open
// window has that name. False, with a message, when it cannot.
bool CanOpenInFrame(const WindowProps& props, const BrowserWindow* host, std::wstring& error);
// After `set`: the frame shows the tabs' titles, the window's frame settings
// reach its other tabs, and the frame is placed again when they moved it or
// `place` says its placement changed (`index` as for PlaceFrame). The work is
// done on the frame's thread.
void ApplyToFrame(BrowserWindow& window, bool place, int index);
// WM_CLOSE: the whole frame closes, with every tab in it; on the frame's thread.
void CloseFrame(Frame& frame, WPARAM wparam, LPARAM lparam);
// The user closes the tab: alone, or the frame with its last; the work is
// done on the frame's thread.
void CloseTab(BrowserWindow& window);
// The same, already on the frame's thread.
void CloseOnFrameThread(BrowserWindow& window);
// IWebBrowser2::Quit: logged now, the tab closed once the call has returned.
void QuitTab(BrowserWindow& window);
// The settings a tab takes from its frame.
void CopyFrameSettings(const WindowProps& from, WindowProps& to);
// Gives every other tab of the window's frame the window's frame settings;
// true when the frame's placement changed.
bool ShareFrameSettings(BrowserWindow& window);

}  // namespace sim
