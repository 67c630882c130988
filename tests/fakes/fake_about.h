// The About window with its link labels and hand picture, and the shell
// launch that records every call.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fakes/call_log.h"
#include "fakes/fake_toolkit.h"
#include "platform/about.h"

namespace shutterling::fakes {

class FakeLinkLabel : public platform::LinkLabel {
  public:
    FakeLinkLabel(CallLog& log, std::string name) : log_(log), name_(std::move(name)) {}
    std::wstring caption;
    std::uintptr_t mouseIcon = 0;
    std::optional<std::wstring> Caption() override { return caption; }
    bool SetCaption(const std::wstring& text) override {
        log_.Add("SetCaption " + name_ + " " + Narrow(text));
        caption = text;
        return true;
    }
    bool SetMouseIcon(std::uintptr_t picture) override {
        log_.Add("SetMouseIcon " + name_ + " " + std::to_string(picture));
        mouseIcon = picture;
        return true;
    }

  private:
    CallLog& log_;
    std::string name_;
};

class FakeImage : public platform::Image {
  public:
    std::uintptr_t picture = 0xC0;
    std::uintptr_t Picture() override { return picture; }
};

// The About window: loading runs Form_Load as the toolkit does; unloading
// destroys the controls with their captions and pointers.
class FakeAboutWindow : public platform::AboutWindow {
    CallLog& log_;  // first: the labels below log through it
    FakeForms& forms_;

  public:
    FakeAboutWindow(CallLog& log, FakeForms& forms) : log_(log), forms_(forms) {}
    bool loaded = false;
    bool visible = false;
    bool loadFails = false;
    platform::AboutEvents* events = nullptr;
    FakeLinkLabel url{log_, "lblURL"}, contact{log_, "lblContact"};
    FakeImage hand;

    bool IsLoaded() override { return loaded; }
    bool Load(platform::AboutEvents& sink) override {
        log_.Add("AboutLoad");
        if (loadFails)
            return false;
        loaded = true;
        forms_.Loaded();
        events = &sink;
        events->Form_Load();
        return true;
    }
    void Show() override {
        log_.Add("AboutShow");
        if (loaded)
            visible = true;
    }
    void Unload() override {
        log_.Add("AboutUnload");
        if (!loaded)
            return;
        loaded = visible = false;
        url.caption.clear();
        contact.caption.clear();
        url.mouseIcon = contact.mouseIcon = 0;
        forms_.Destroyed();
    }
    platform::LinkLabel& lblURL() override { return url; }
    platform::LinkLabel& lblContact() override { return contact; }
    platform::Image& imgHand() override { return hand; }
};

class FakeLauncher : public platform::ShellLauncher {
  public:
    explicit FakeLauncher(CallLog& log) : log_(log) {}
    // One line per call: owner|operation|file|parameters|directory|show, "NULL"
    // for a null pointer.
    std::vector<std::string> calls;
    void ShellExecuteA(platform::WindowHandle owner, const std::optional<std::string>& operation,
                       const std::string& file, const std::optional<std::string>& parameters,
                       const std::string& directory, int show) override {
        calls.push_back(std::to_string(owner) + "|" + operation.value_or("NULL") + "|" + file +
                        "|" + parameters.value_or("NULL") + "|" + directory + "|" +
                        std::to_string(show));
        log_.Add("ShellExecuteA " + calls.back());
    }

  private:
    CallLog& log_;
};

}  // namespace shutterling::fakes
