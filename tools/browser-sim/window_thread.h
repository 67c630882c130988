// A browser window served from a thread of its own, the way a browser's
// windows are served by the browser's threads while the shell's collection
// lives in another process: the window's objects and its real window live on
// that thread, so it can stop answering (hang=) or turn calls away (busy=)
// while the collection and the other windows go on answering. A window's
// page (page=own) can have a thread of its own too, as a tab's page has in a
// browser whose frame and tabs run apart: the document and the script window
// live there, so the page can stop answering while its browser object answers.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <memory>
#include <string>

namespace sim {

class BrowserWindow;

class WindowThread {
  public:
    enum class Serves { Window, Page };
    // Starts the thread, which makes there what it serves, and waits until it
    // has: the window's real window and browser (and its document, unless its
    // page has a thread of its own), or the page's document and script window.
    // Null, with a message, on failure.
    static std::unique_ptr<WindowThread> Start(const std::shared_ptr<BrowserWindow>& window,
                                               int index, Serves serves, std::wstring& error);
    // Asks the thread to destroy the window (if it serves it), leave its apartment and end.
    void Quit();
    // Whether the thread has ended.
    bool Ended() const;

    struct State;
    WindowThread(std::shared_ptr<State> state, HANDLE thread)
        : state_(std::move(state)), thread_(thread) {}
    ~WindowThread() { CloseHandle(thread_); }
    WindowThread(const WindowThread&) = delete;
    WindowThread& operator=(const WindowThread&) = delete;

  private:
    std::shared_ptr<State> state_;  // shared with the thread, which may outlive this object
    HANDLE thread_;
};

}  // namespace sim
