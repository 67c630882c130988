// A browser window served from a thread of its own, the way a browser's
// windows are served by the browser's threads while the shell's collection
// lives in another process: the window's objects and its real window live on
// that thread, so it can stop answering (hang=) or turn calls away (busy=)
// while the collection and the other windows go on answering.
#pragma once

#include <windows.h>

#include <oaidl.h>

#include <memory>
#include <string>

namespace sim {

class BrowserWindow;

class WindowThread {
  public:
    // Starts the thread, which makes the window's document and real window
    // there, and waits until it has. Null, with a message, on failure.
    static std::unique_ptr<WindowThread> Start(const std::shared_ptr<BrowserWindow>& window,
                                               int index, std::wstring& error);
    // Asks the thread to destroy the window, leave its apartment and end.
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
