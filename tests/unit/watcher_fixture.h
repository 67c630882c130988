// A running program against the fake platform: one plain page ("home",
// 1024x768, restored to the same size) open before start-up.
#pragma once

#include <functional>
#include <ostream>

#include <gtest/gtest.h>

#include "fakes/fake_platform.h"
#include "unit/named_cases.h"

namespace shutterling::fakes {

// What a case of a table changes about a window and the platform around it.
using Setup = std::function<void(FakePlatform&, FakeBrowserWindow& window)>;

// A row of a table of windows: a name, the change, and what the test expects.
template <typename Expected>
struct WindowCase {
    const char* name;
    Setup setup;
    Expected expected{};
};

template <typename Expected>
void PrintTo(const WindowCase<Expected>& c, std::ostream* os) {
    *os << c.name;
}

// Menu bar and the restored size of the plain home page: only the opener probe can block.
inline void LooksOrdinary(FakePlatform&, FakeBrowserWindow& w) {
    w.menuBar = true;
    w.width = 1024;
    w.height = 768;
}

class WatcherTest : public ::testing::Test {
  protected:
    void SetUp() override {
        home = p.shell.Open("home", L"Home page", Opener::EmptyString);
        home->width = 1024;
        home->height = 768;
        p.system.placements[*home->hwnd] = platform::Rect{10, 20, 1034, 788};
        p.form.Form_Load();
    }

    // A script-opened popup of the home page, opened after start-up.
    std::shared_ptr<FakeBrowserWindow> Popup(const std::string& name = "pop",
                                             const std::wstring& title = L"Buy now") {
        auto w = p.shell.Open(name, title, Opener::Page);
        w->menuBar = false;
        w->width = 300;
        w->height = 250;
        return w;
    }

    bool ClosedOnce(const FakeBrowserWindow& w) const {
        return std::count(p.system.closeRequests.begin(), p.system.closeRequests.end(), *w.hwnd) ==
               1;
    }
    bool Untouched(const FakeBrowserWindow& w) const {
        return (!w.parentWindow || w.parentWindow->puts == 0) &&
               std::count(p.system.closeRequests.begin(), p.system.closeRequests.end(), *w.hwnd) ==
                   0;
    }

    FakePlatform p;
    std::shared_ptr<FakeBrowserWindow> home;
};

}  // namespace shutterling::fakes
