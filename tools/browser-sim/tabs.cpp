#include "frame.h"

#include "com_util.h"
#include "sim_log.h"

namespace sim {
namespace {

std::string TabNames(const std::vector<std::shared_ptr<BrowserWindow>>& tabs) {
    std::string names;
    for (auto& t : tabs)
        names += (names.empty() ? "" : ",") + Utf8(t->name);
    return names;
}

}  // namespace

std::vector<std::shared_ptr<BrowserWindow>> Frame::Tabs() const {
    std::vector<std::shared_ptr<BrowserWindow>> open;
    AcquireSRWLockShared(&lock_);
    for (auto& weak : tabs_) {
        if (auto t = weak.lock(); t && !t->destroyed)
            open.push_back(std::move(t));
    }
    ReleaseSRWLockShared(&lock_);
    return open;
}

std::shared_ptr<BrowserWindow> Frame::Tab(LONG cookie) const {
    for (auto& t : Tabs()) {
        if (t->cookie == cookie)
            return t;
    }
    return nullptr;
}

void Frame::Add(BrowserWindow& tab) {
    AcquireSRWLockExclusive(&lock_);
    tabs_.push_back(tab.weak_from_this());
    ReleaseSRWLockExclusive(&lock_);
}

void Frame::Drop(const BrowserWindow& tab) {
    AcquireSRWLockExclusive(&lock_);
    std::erase_if(tabs_, [&](const auto& weak) {
        auto t = weak.lock();
        return !t || t.get() == &tab;
    });
    ReleaseSRWLockExclusive(&lock_);
}

bool CanOpenInFrame(const WindowProps& props, const BrowserWindow* host, std::wstring& error) {
    if (props.tabOf.empty())
        return true;
    if (!host) {
        error = L"no open window named " + props.tabOf;
        return false;
    }
    // A frame's tabs share the thread that serves the frame.
    if (props.ownThread) {
        error = L"a tab lives on its frame's thread: tab= goes without thread=, hang= and busy=";
        return false;
    }
    if (host->thread) {
        error = L"the frame of " + props.tabOf + L" is on a thread of its own and takes no tabs";
        return false;
    }
    return true;
}

void CloseFrame(Frame& f, WPARAM wp, LPARAM lp) {
    // The whole window closes, with every tab in it.
    auto tabs = f.Tabs();
    ++f.closeRequests;
    for (auto& t : tabs)
        ++t->closeRequests;
    bool alone = tabs.size() == 1 && tabs[0].get() == f.first;
    Log::Get().Write("wm_close", Utf8(f.name) + " hwnd=" + Hex(ULONG(UINT_PTR(f.hwnd))) +
                                     " count=" + std::to_string(f.closeRequests) + " wparam=" +
                                     std::to_string(wp) + " lparam=" + std::to_string(lp) +
                                     (alone ? "" : " tabs=" + TabNames(tabs)));
    if (tabs.empty() || !tabs[0]->Settings().ignoreClose)
        DestroyWindow(f.hwnd);
}

void CloseOnFrameThread(BrowserWindow& w) {
    if (w.destroyed)
        return;
    Frame& f = *w.frame;
    if (f.Tabs().size() <= 1) {
        DestroyWindow(f.hwnd);
        return;
    }
    DestroyWindow(w.frameTab);
    f.Drop(w);
    ShowTabs(f);
}

void ApplyToFrame(BrowserWindow& w, bool place, int index) {
    if (w.thread) {
        // Not SetWindowText here: it waits for the window's thread, which may be hung.
        PostMessageW(w.hwnd, kFrameApply, WPARAM(index), place);
        return;
    }
    // Whatever a tab sets of its frame, the frame's other tabs report too.
    if (ShareFrameSettings(w) || place)
        PlaceFrame(w, index);
    ShowTabs(*w.frame);
}

void CloseTab(BrowserWindow& w) {
    // Only its own thread can destroy a window.
    if (w.thread)
        PostMessageW(w.hwnd, kFrameUserClose, 0, w.cookie);
    else
        CloseOnFrameThread(w);
}

void QuitTab(BrowserWindow& w) {
    if (w.quitting.exchange(true))
        return;
    int left = 0;
    for (auto& t : w.frame->Tabs())
        left += !t->quitting;
    Log::Get().Write("quit", Utf8(w.name) + " hwnd=" + Hex(ULONG(UINT_PTR(w.hwnd))) +
                                 " tabs-left=" + std::to_string(left));
    // Closing the tab inside the client's call would cut the call off from its own reply.
    PostMessageW(w.hwnd, kTabQuit, 0, w.cookie);
}

void CopyFrameSettings(const WindowProps& from, WindowProps& to) {
    to.menubar = from.menubar;
    to.width = from.width;
    to.height = from.height;
    to.restoredWidth = from.restoredWidth;
    to.restoredHeight = from.restoredHeight;
    to.x = from.x;
    to.y = from.y;
    to.show = from.show;
    to.ignoreClose = from.ignoreClose;
}

bool ShareFrameSettings(BrowserWindow& w) {
    const WindowProps p = w.Settings();
    bool moved = false;
    for (auto& t : w.frame->Tabs()) {
        if (t.get() == &w)
            continue;
        t->Change([&](WindowProps& q) {
            moved = moved || q.width != p.width || q.height != p.height ||
                    q.restoredWidth != p.restoredWidth || q.restoredHeight != p.restoredHeight ||
                    q.x != p.x || q.y != p.y || q.show != p.show;
            CopyFrameSettings(p, q);
        });
    }
    return moved;
}

}  // namespace sim
