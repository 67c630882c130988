// The shell's collection of browser windows, the windows it hands out and
// their documents, seen through late binding. Every read can fail or go
// unanswered (a Read without a value, or a null walk), never an exception.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace shutterling::platform {

using WindowHandle = std::uintptr_t;

class Dispatch;

// What a read of another process's object gave: a value, or none. A read
// without a value failed (the object answered with an error, or is gone), or
// went unanswered: its answerer did not answer in time, or turned it away as
// busy until then. Only a failure is an answer about the object.
template <class T>
class Read : public std::optional<T> {
  public:
    using std::optional<T>::optional;
    Read() = default;
    Read(std::optional<T> value) : std::optional<T>(std::move(value)) {}
    static Read NoAnswer() {
        Read read;
        read.unanswered_ = true;
        return read;
    }
    // No value, for the same reason as `other` has none.
    template <class U>
    static Read Missing(const Read<U>& other) {
        return other.Unanswered() ? NoAnswer() : Read();
    }
    bool Unanswered() const { return unanswered_; }

  private:
    bool unanswered_ = false;
};

// A value read from a late-bound member, reduced to what the program tests.
struct Variant {
    enum class Kind { Empty, Null, Bool, Number, String, Object, Other };
    Kind kind = Kind::Empty;
    bool boolean = false;
    double number = 0;
    std::wstring text;
    std::shared_ptr<Dispatch> object;  // may be null for an object-typed value that is Nothing

    static Variant Of(bool b) { return {Kind::Bool, b, 0, {}, nullptr}; }
    static Variant Of(std::wstring s) { return {Kind::String, false, 0, std::move(s), nullptr}; }
    static Variant Of(std::shared_ptr<Dispatch> o) {
        return {Kind::Object, false, 0, {}, std::move(o)};
    }

    // Object-typed, even when the reference is empty.
    bool IsObject() const { return kind == Kind::Object; }
    // The value as a true/false: booleans and numbers convert, anything else does not.
    std::optional<bool> AsBool() const {
        if (kind == Kind::Bool)
            return boolean;
        if (kind == Kind::Number)
            return number != 0;
        return std::nullopt;
    }
};

// A late-bound object of the document model: members reached by name at run
// time, without regard to case.
class Dispatch {
  public:
    virtual ~Dispatch() = default;
    virtual Read<Variant> Get(std::wstring_view member) = 0;
    virtual bool Put(std::wstring_view member, const Variant& value) = 0;
    // The class name its type information reports ("HTMLDocument" for a page).
    virtual Read<std::wstring> ClassName() = 0;
};

// One browser window of the collection (an InternetExplorer object).
class BrowserWindow {
  public:
    virtual ~BrowserWindow() = default;
    // A null pointer inside the optional means the window has no document.
    virtual Read<std::shared_ptr<Dispatch>> Document() = 0;
    virtual Read<bool> FullScreen() = 0;
    virtual Read<bool> MenuBar() = 0;
    virtual Read<std::wstring> LocationName() = 0;
    virtual Read<std::int32_t> Width() = 0;
    virtual Read<std::int32_t> Height() = 0;
    // The frame's handle: every tab of one frame reports the same one.
    virtual Read<WindowHandle> Hwnd() = 0;
    // Closes this window, or this tab alone (IWebBrowser2::Quit); false when
    // the call fails.
    virtual bool Quit() = 0;
    // Stable identity of the underlying object: two references to the same
    // window compare equal (COM identity), whatever walk produced them.
    virtual std::uintptr_t Identity() const = 0;
};

// One walk over the collection, with a cursor of its own.
class WindowWalk {
  public:
    struct Step {
        enum class Status { Window, End, Failed };
        Status status = Status::End;
        std::shared_ptr<BrowserWindow> window;
    };
    virtual ~WindowWalk() = default;
    virtual Step Next() = 0;
};

using WindowRegisteredHandler = std::function<void(std::int32_t lCookie)>;

// The ShellWindows collection. Dropping the last reference ends its subscription.
class ShellWindows {
  public:
    virtual ~ShellWindows() = default;
    // Null when the walk cannot be started.
    virtual std::unique_ptr<WindowWalk> Walk() = 0;
    // Subscribes the handler to the WindowRegistered event; false when that
    // fails. Once a collection.
    virtual bool Subscribe(WindowRegisteredHandler handler) = 0;
};

class ShellAutomation {
  public:
    using WindowRegisteredHandler = platform::WindowRegisteredHandler;
    virtual ~ShellAutomation() = default;
    // Creates a new collection object, not yet subscribed to; null on failure.
    virtual std::shared_ptr<ShellWindows> CreateShellWindows() = 0;
    // While set, a read of a browser window or page waits only briefly for its
    // answer: one that does not come in time is an unanswered read, and once
    // the answer has come after all, the handler runs again, so that window is
    // judged at its own pace and no other waits for it. Returns the setting it
    // replaces. The shell's own calls always wait in full.
    virtual bool SetBriefWaits(bool brief) = 0;
};

}  // namespace shutterling::platform
