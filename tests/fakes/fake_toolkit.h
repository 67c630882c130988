// The toolkit: controls as plain values, the application with an event queue
// that DoEvents drains, and the main window with the count of loaded windows.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/frmMain.h"
#include "fakes/call_log.h"
#include "platform/toolkit.h"

namespace shutterling::fakes {

// Thrown by Application::End: the process would end here.
struct ProgramEnded {};

class FakeListBox : public platform::ListBox {
  public:
    FakeListBox(CallLog& log, std::string name) : log_(log), name_(std::move(name)) {}
    std::vector<std::wstring> items;
    std::int16_t selected = -1;
    bool readsFail = false;
    bool addFails = false;

    std::optional<std::int16_t> ListCount() override {
        if (readsFail)
            return std::nullopt;
        return static_cast<std::int16_t>(items.size());
    }
    std::optional<std::wstring> List(std::int16_t index) override {
        if (readsFail || index < 0 || static_cast<std::size_t>(index) >= items.size())
            return std::nullopt;
        return items[static_cast<std::size_t>(index)];
    }
    std::optional<std::int16_t> ListIndex() override {
        if (readsFail)
            return std::nullopt;
        return selected;
    }
    bool AddItem(const std::wstring& item) override {
        log_.Add("AddItem " + name_ + " " + Narrow(item));
        if (addFails || items.size() >= static_cast<std::size_t>(platform::kListMax))
            return false;
        items.push_back(item);
        return true;
    }
    bool RemoveItem(std::int16_t index) override {
        log_.Add("RemoveItem " + name_ + " " + std::to_string(index));
        if (index < 0 || static_cast<std::size_t>(index) >= items.size())
            return false;
        items.erase(items.begin() + index);
        return true;
    }

  private:
    CallLog& log_;
    std::string name_;
};

class FakeCheckBox : public platform::CheckBox {
  public:
    std::int16_t value = 0;
    bool readFails = false;
    std::optional<std::int16_t> Value() override {
        if (readFails)
            return std::nullopt;
        return value;
    }
    bool SetValue(std::int16_t v) override {
        if (v < 0 || v > 2)
            return false;
        value = v;
        return true;
    }
};

class FakeLabel : public platform::Label {
  public:
    explicit FakeLabel(CallLog& log) : log_(log) {}
    std::wstring caption;
    bool writeFails = false;
    std::optional<std::wstring> Caption() override { return caption; }
    bool SetCaption(const std::wstring& text) override {
        log_.Add("SetCaption " + Narrow(text));
        if (writeFails)
            return false;
        caption = text;
        return true;
    }

  private:
    CallLog& log_;
};

class FakeApplication : public platform::Application {
  public:
    explicit FakeApplication(CallLog& log) : log_(log) {}
    std::optional<bool> prevInstance = false;
    std::optional<std::wstring> path = L"C:\\Tools";
    std::optional<std::wstring> exeName = L"Shutterling";
    std::deque<std::function<void()>> pending;  // what DoEvents runs

    void Post(std::function<void()> event) { pending.push_back(std::move(event)); }
    void DoEvents() override {
        log_.Add("DoEvents");
        while (!pending.empty()) {
            auto event = std::move(pending.front());
            pending.pop_front();
            event();
        }
    }
    std::optional<bool> PrevInstance() override {
        log_.Add("PrevInstance");
        return prevInstance;
    }
    std::optional<std::wstring> Path() override { return path; }
    std::optional<std::wstring> ExeName() override { return exeName; }
    std::wstring Title() override { return L"Shutterling"; }
    [[noreturn]] void End() override {
        log_.Add("End");
        throw ProgramEnded{};
    }
    void MsgBox(const std::wstring& text, const std::wstring& title, std::uint32_t style) override {
        log_.Add("MsgBox " + Narrow(text) + "|" + Narrow(title) + "|" + std::to_string(style));
    }

  private:
    CallLog& log_;
};

// The program's loaded windows: the process ends (quit) when the last one
// goes, as the real message loop does.
struct FakeForms {
    int loaded = 1;  // the main window is made before its Form_Load runs
    bool quit = false;
    void Loaded() { ++loaded; }
    void Destroyed() { quit = --loaded == 0; }
};

class FakeFormWindow : public platform::FormWindow {
  public:
    FakeFormWindow(CallLog& log, FakeForms& forms) : log_(log), forms_(forms) {}
    frmMain* form = nullptr;
    bool visible = false;
    bool unloaded = false;
    std::uintptr_t icon = 0x51C0;

    void Show() override {
        log_.Add("Show");
        visible = true;
    }
    void Hide() override {
        log_.Add("Hide");
        visible = false;
    }
    void Unload() override {
        log_.Add("Unload");
        std::int16_t cancel = 0;
        form->Form_QueryUnload(cancel, 1);
        if (cancel)
            return;
        form->Form_Unload();
        unloaded = true;
        visible = false;
        forms_.Destroyed();
    }
    platform::WindowHandle Handle() override { return 0xF00; }
    std::uintptr_t Icon() override { return icon; }
    std::uint32_t timer = 0;  // the interval set; 0 while stopped
    void SetTimer(std::uint32_t intervalMs) override {
        log_.Add("SetTimer " + std::to_string(intervalMs));
        timer = intervalMs;
    }

  private:
    CallLog& log_;
    FakeForms& forms_;
};

}  // namespace shutterling::fakes
