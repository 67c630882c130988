// A scriptable shell: browser windows with documents, openers, sizes and
// titles; every read can be made to fail, and every read is logged.
#pragma once

#include <cwctype>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "fakes/call_log.h"
#include "platform/shell.h"

namespace shutterling::fakes {

using platform::Variant;

// A window whose thread stops answering: from its first call whose log entry
// starts with `from`, every call to the window or to its page's objects goes
// unanswered, as a call that the program gave up waiting for does. A page
// can have one of its own (its browser object answering on), and an opener
// page's objects that of the opener's window.
struct Silence {
    std::string from;
    int skip = 0;  // calls matching `from` still answered before the silence
    bool silent = false;
    bool Fails(const std::string& entry) {
        if (!silent && !from.empty() && entry.rfind(from, 0) == 0 && skip-- == 0)
            silent = true;
        return silent;
    }
};

// A late-bound object whose members are plain values; a member mapped to
// nullopt (or missing) cannot be read.
class FakeObject : public platform::Dispatch {
  public:
    FakeObject(CallLog& log, std::string name) : log_(log), name_(std::move(name)) {}

    std::map<std::wstring, std::optional<Variant>> members;  // keys lower-case
    std::optional<std::wstring> className = L"Object";
    bool putFails = false;
    int puts = 0;                      // successful assignments
    std::shared_ptr<Silence> silence;  // its window's, if any

    void Set(const std::wstring& member, std::optional<Variant> value) {
        members[Lower(member)] = std::move(value);
    }
    platform::Read<Variant> Get(std::wstring_view member) override {
        if (Call("Get " + name_ + "." + Narrow(std::wstring(member))))
            return platform::Read<Variant>::NoAnswer();
        auto it = members.find(Lower(std::wstring(member)));
        if (it == members.end())
            return std::nullopt;
        return it->second;
    }
    bool Put(std::wstring_view member, const Variant& value) override {
        if (Call("Put " + name_ + "." + Narrow(std::wstring(member)) + "=" + Narrow(value.text)))
            return false;
        if (putFails)
            return false;
        ++puts;
        Set(std::wstring(member), value);
        return true;
    }
    platform::Read<std::wstring> ClassName() override {
        if (Call("ClassName " + name_))
            return platform::Read<std::wstring>::NoAnswer();
        return className;
    }

  private:
    // Logs the call; true when it fails because the window stopped answering.
    bool Call(std::string entry) {
        log_.Add(entry);
        return silence && silence->Fails(entry);
    }
    static std::wstring Lower(std::wstring s) {
        for (auto& c : s)
            c = static_cast<wchar_t>(std::towlower(c));
        return s;
    }
    CallLog& log_;
    std::string name_;
};

// The opener as a page sees it.
enum class Opener {
    Page,         // an object: opened by script from another page
    EmptyObject,  // an object-typed reference to nothing: still script-opened
    EmptyString,  // marked as judged, or opened by the user
    Null,
    Unreadable,
};

class FakeBrowserWindow : public platform::BrowserWindow {
  public:
    FakeBrowserWindow(CallLog& log, std::string name, platform::WindowHandle hwnd)
        : name(std::move(name)), hwnd(hwnd), log_(log) {}

    std::string name;
    // Each property: a value, or nullopt for a read that fails.
    std::optional<std::shared_ptr<platform::Dispatch>> document;
    std::optional<bool> fullScreen = false;
    std::optional<bool> menuBar = true;
    std::optional<std::wstring> locationName;
    std::optional<std::int32_t> width = 800;
    std::optional<std::int32_t> height = 600;
    std::optional<platform::WindowHandle> hwnd;
    // The page's objects, for tests that inspect or break them.
    std::shared_ptr<FakeObject> doc, parentWindow, openerPage, openerParent;
    std::shared_ptr<Silence> silence = std::make_shared<Silence>();

    platform::Read<std::shared_ptr<platform::Dispatch>> Document() override {
        if (Call("Document " + name))
            return platform::Read<std::shared_ptr<platform::Dispatch>>::NoAnswer();
        return document;
    }
    platform::Read<bool> FullScreen() override {
        if (Call("FullScreen " + name))
            return platform::Read<bool>::NoAnswer();
        return fullScreen;
    }
    platform::Read<bool> MenuBar() override {
        if (Call("MenuBar " + name))
            return platform::Read<bool>::NoAnswer();
        return menuBar;
    }
    int locationNameFailures = 0;  // reads of the title that fail before it answers
    platform::Read<std::wstring> LocationName() override {
        if (Call("LocationName " + name))
            return platform::Read<std::wstring>::NoAnswer();
        if (locationNameFailures > 0 && locationNameFailures-- > 0)
            return std::nullopt;
        return locationName;
    }
    platform::Read<std::int32_t> Width() override {
        if (Call("Width " + name))
            return platform::Read<std::int32_t>::NoAnswer();
        return width;
    }
    platform::Read<std::int32_t> Height() override {
        if (Call("Height " + name))
            return platform::Read<std::int32_t>::NoAnswer();
        return height;
    }
    platform::Read<platform::WindowHandle> Hwnd() override {
        if (Call("HWND " + name))
            return platform::Read<platform::WindowHandle>::NoAnswer();
        return hwnd;
    }
    bool quitFails = false;
    int quits = 0;  // successful Quit calls: the tab closed alone
    bool Quit() override {
        if (Call("Quit " + name) || quitFails)
            return false;
        ++quits;
        return true;
    }
    std::uintptr_t Identity() const override { return reinterpret_cast<std::uintptr_t>(this); }

    // Marked as judged: the opener was assigned and now reads as a string.
    bool IsMarked() const {
        if (!parentWindow || parentWindow->puts == 0)
            return false;
        auto it = parentWindow->members.find(L"opener");
        return it != parentWindow->members.end() && it->second &&
               it->second->kind == Variant::Kind::String;
    }
    void SetOpener(Opener opener) {
        switch (opener) {
            case Opener::Page:
                parentWindow->Set(L"opener", Variant::Of(openerPage));
                break;
            case Opener::EmptyObject:
                parentWindow->Set(L"opener", Variant::Of(std::shared_ptr<platform::Dispatch>()));
                break;
            case Opener::EmptyString:
                parentWindow->Set(L"opener", Variant::Of(std::wstring()));
                break;
            case Opener::Null:
                parentWindow->Set(L"opener", Variant{Variant::Kind::Null, false, 0, {}, nullptr});
                break;
            case Opener::Unreadable:
                parentWindow->Set(L"opener", std::nullopt);
                break;
        }
    }
    // opener.Parent.closed: a value, or nullopt when the read fails.
    void SetOpenerClosed(std::optional<bool> closed) {
        if (closed) {
            openerParent->Set(L"closed", Variant::Of(*closed));
        } else {
            openerParent->Set(L"closed", std::nullopt);
        }
    }

  private:
    bool Call(std::string entry) {
        log_.Add(entry);
        return silence->Fails(entry);
    }
    CallLog& log_;
};

class FakeShellWindows;

class FakeShell : public platform::ShellAutomation {
  public:
    explicit FakeShell(CallLog& log) : log(log) {}

    CallLog& log;
    std::vector<std::shared_ptr<FakeBrowserWindow>> windows;
    bool createFails = false;
    bool subscribeFails = false;
    std::deque<bool> walkFails;       // one entry per coming walk: true = it cannot start
    int failFetchAt = -1;             // fetching the window at this index fails
    WindowRegisteredHandler handler;  // the latest subscription's, while it holds
    const FakeShellWindows* subscribed = nullptr;
    int subscriptions = 0;
    // Runs once, inside the next CreateShellWindows or Subscribe: what the
    // program's wait for the call dispatches (a timer tick, a new taskbar).
    std::function<void()> duringCreate, duringSubscribe;

    // A page in a browser window: an HTML document whose parent window has the
    // given opener, and whose opener page's parent reads closed = false.
    std::shared_ptr<FakeBrowserWindow> Open(const std::string& name, const std::wstring& title,
                                            Opener opener) {
        auto w = std::make_shared<FakeBrowserWindow>(log, name, 0x1000 + windows.size() * 4);
        w->locationName = title;
        w->doc = std::make_shared<FakeObject>(log, name + ".document");
        w->doc->className = L"HTMLDocument";
        w->parentWindow = std::make_shared<FakeObject>(log, name + ".parentwindow");
        w->openerPage = std::make_shared<FakeObject>(log, name + ".opener");
        w->openerParent = std::make_shared<FakeObject>(log, name + ".opener.Parent");
        for (auto* object : {&w->doc, &w->parentWindow, &w->openerPage, &w->openerParent})
            (*object)->silence = w->silence;
        w->doc->Set(L"parentwindow", Variant::Of(w->parentWindow));
        w->openerPage->Set(L"Parent", Variant::Of(w->openerParent));
        w->SetOpener(opener);
        w->SetOpenerClosed(false);
        w->document = w->doc;
        windows.push_back(w);
        return w;
    }
    // A non-HTML window, e.g. a folder view in the same collection.
    std::shared_ptr<FakeBrowserWindow> OpenFolder(const std::string& name) {
        auto w = std::make_shared<FakeBrowserWindow>(log, name, 0x1000 + windows.size() * 4);
        w->doc = std::make_shared<FakeObject>(log, name + ".document");
        w->doc->className = L"ShellFolderView";
        w->document = w->doc;
        windows.push_back(w);
        return w;
    }
    std::shared_ptr<FakeBrowserWindow> Find(const std::string& name) const {
        for (auto& w : windows)
            if (w->name == name)
                return w;
        return nullptr;
    }
    void Fire(std::int32_t cookie = 0) {
        if (handler)
            handler(cookie);
    }

    std::shared_ptr<platform::ShellWindows> CreateShellWindows() override;
    bool SetBriefWaits(bool brief) override { return std::exchange(log.brief, brief); }
};

class FakeWalk : public platform::WindowWalk {
  public:
    explicit FakeWalk(FakeShell& shell) : shell_(shell) {}
    Step Next() override {
        shell_.log.Add("Next");
        if (static_cast<int>(cursor_) == shell_.failFetchAt) {
            shell_.log.Add("Next failed");
            return {Step::Status::Failed, nullptr};
        }
        if (cursor_ >= shell_.windows.size())
            return {Step::Status::End, nullptr};
        return {Step::Status::Window, shell_.windows[cursor_++]};
    }

  private:
    FakeShell& shell_;
    std::size_t cursor_ = 0;
};

class FakeShellWindows : public platform::ShellWindows {
  public:
    explicit FakeShellWindows(FakeShell& shell) : shell_(shell) {}
    ~FakeShellWindows() override {
        if (!subscribed_)
            return;
        shell_.log.Add("Unsubscribe");
        if (shell_.subscribed == this) {
            shell_.subscribed = nullptr;
            shell_.handler = nullptr;
        }
    }
    std::unique_ptr<platform::WindowWalk> Walk() override {
        shell_.log.Add("Walk");
        if (!shell_.walkFails.empty()) {
            bool fails = shell_.walkFails.front();
            shell_.walkFails.pop_front();
            if (fails)
                return nullptr;
        }
        return std::make_unique<FakeWalk>(shell_);
    }
    bool Subscribe(platform::WindowRegisteredHandler h) override {
        shell_.log.Add("Subscribe");
        if (auto inside = std::exchange(shell_.duringSubscribe, nullptr))
            inside();
        if (shell_.subscribeFails || subscribed_)
            return false;
        subscribed_ = true;
        shell_.handler = std::move(h);
        shell_.subscribed = this;
        ++shell_.subscriptions;
        return true;
    }

  private:
    FakeShell& shell_;
    bool subscribed_ = false;
};

inline std::shared_ptr<platform::ShellWindows> FakeShell::CreateShellWindows() {
    log.Add("CreateShellWindows");
    if (auto inside = std::exchange(duringCreate, nullptr))
        inside();
    if (createFails)
        return nullptr;
    return std::make_shared<FakeShellWindows>(*this);
}

}  // namespace shutterling::fakes
