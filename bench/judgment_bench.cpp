// One judgment pass over N open windows against a platform that costs
// nothing: the core's own time per window, and the platform calls a pass makes.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "app/frmMain.h"
#include "fakes/fake_platform.h"

namespace {

using namespace shutterling;
using platform::Variant;

long g_calls = 0;

struct Object : platform::Dispatch {
    std::shared_ptr<platform::Dispatch> parentWindow, opener, parent;
    bool scriptOpened = false;
    platform::Read<Variant> Get(std::wstring_view member) override {
        ++g_calls;
        if (member == L"parentwindow")
            return Variant::Of(parentWindow);
        if (member == L"opener")
            return scriptOpened ? Variant::Of(opener) : Variant::Of(std::wstring());
        if (member == L"Parent")
            return Variant::Of(parent);
        return Variant::Of(false);
    }
    bool Put(std::wstring_view, const Variant&) override { return ++g_calls, true; }
    platform::Read<std::wstring> ClassName() override { return ++g_calls, L"HTMLDocument"; }
};

struct Window : platform::BrowserWindow {
    std::shared_ptr<Object> doc = std::make_shared<Object>();
    bool menuBar = true;
    platform::Read<std::shared_ptr<platform::Dispatch>> Document() override {
        return ++g_calls, doc;
    }
    platform::Read<bool> FullScreen() override { return ++g_calls, false; }
    platform::Read<bool> MenuBar() override { return ++g_calls, menuBar; }
    platform::Read<std::wstring> LocationName() override { return ++g_calls, L"A page"; }
    platform::Read<std::int32_t> Width() override { return ++g_calls, 640; }
    platform::Read<std::int32_t> Height() override { return ++g_calls, 480; }
    platform::Read<platform::WindowHandle> Hwnd() override { return ++g_calls, 1; }
    bool Quit() override { return ++g_calls, true; }
    std::uintptr_t Identity() const override { return reinterpret_cast<std::uintptr_t>(this); }
};

struct Shell : platform::ShellAutomation, platform::ShellWindows {
    std::vector<std::shared_ptr<Window>> windows;
    struct Walker : platform::WindowWalk {
        Shell& shell;
        std::size_t at = 0;
        explicit Walker(Shell& s) : shell(s) {}
        Step Next() override {
            ++g_calls;
            if (at == shell.windows.size())
                return {};
            return {Step::Status::Window, shell.windows[at++]};
        }
    };
    std::unique_ptr<platform::WindowWalk> Walk() override {
        return ++g_calls, std::make_unique<Walker>(*this);
    }
    bool Subscribe(platform::WindowRegisteredHandler) override { return true; }
    std::shared_ptr<platform::ShellWindows> CreateShellWindows() override {
        return std::shared_ptr<platform::ShellWindows>(this, [](auto*) {});
    }
    bool SetBriefWaits(bool) override { return false; }
};

struct Quiet : platform::System,
               platform::Application,
               platform::FormWindow,
               platform::ListBox,
               platform::CheckBox,
               platform::Label,
               platform::Tray,
               platform::Menu,
               platform::Images {
    std::int16_t GetKeyState(int) override { return ++g_calls, 0; }
    std::optional<platform::Rect> GetWindowPlacement(platform::WindowHandle) override {
        return ++g_calls, platform::Rect{0, 0, 640, 480};
    }
    bool PostMessageA(platform::WindowHandle, std::uint32_t, std::uintptr_t,
                      std::intptr_t) override {
        return ++g_calls, true;
    }
    void Beep(std::uint32_t, std::uint32_t) override { ++g_calls; }
    std::optional<int> CountTabWindows(platform::WindowHandle) override { return 1; }
    void DoEvents() override { ++g_calls; }
    std::optional<bool> PrevInstance() override { return false; }
    std::optional<std::wstring> Path() override { return L"C:\\x"; }
    std::optional<std::wstring> ExeName() override { return L"x"; }
    std::wstring Title() override { return L"Shutterling"; }
    [[noreturn]] void End() override { std::abort(); }
    void MsgBox(const std::wstring&, const std::wstring&, std::uint32_t) override {}
    void Show() override {}
    void Hide() override {}
    void Unload() override {}
    platform::WindowHandle Handle() override { return 1; }
    std::uintptr_t Icon() override { return 1; }
    void SetTimer(std::uint32_t) override {}
    std::optional<std::int16_t> ListCount() override { return ++g_calls, 0; }
    std::optional<std::wstring> List(std::int16_t) override { return std::nullopt; }
    std::optional<std::int16_t> ListIndex() override { return -1; }
    bool AddItem(const std::wstring&) override { return ++g_calls, true; }
    bool RemoveItem(std::int16_t) override { return true; }
    std::optional<std::int16_t> Value() override { return ++g_calls, 0; }
    bool SetValue(std::int16_t) override { return true; }
    std::optional<std::wstring> Caption() override { return L""; }
    bool SetCaption(const std::wstring&) override { return ++g_calls, true; }
    void ShellNotifyIcon(platform::TrayOp, const platform::TrayRecord&) override {}
    std::intptr_t InstallTrayWndProc(platform::WindowHandle) override { return 0; }
    void RestoreWndProc(platform::WindowHandle, std::intptr_t) override {}
    std::intptr_t CallWindowProcA(std::intptr_t, platform::WindowHandle, std::uint32_t,
                                  std::uintptr_t, std::intptr_t) override {
        return 0;
    }
    void SetForegroundWindow(platform::WindowHandle) override {}
    void PopupMenu(platform::MenuItem) override {}
    std::optional<std::wstring> Caption(platform::MenuItem) override { return L""; }
    bool SetCaption(platform::MenuItem, const std::wstring&) override { return true; }
    void SetWindowIcon(platform::WindowPicture) override {}
};

// N open windows: one plain page, the rest script-opened popups with a menu
// bar and a size that matches the plain page (so every judgment walks the
// collection again and ends in the opener probe: the most work per window).
void BM_JudgmentPass(benchmark::State& state) {
    Shell shell;
    Quiet quiet;
    // Start-up and shut-down only: the store is not on the judgment's path.
    fakes::CallLog log;
    fakes::FakeSettingsStore settings{log};
    fakes::FakeRegistry registry{log};
    fakes::FakeFileSystem files{log};
    fakes::FakeCodePage codePage;
    fakes::FakeForms forms;
    fakes::FakeAboutWindow about{log, forms};
    fakes::FakeLauncher launcher{log};
    platform::Platform platform{
        shell, quiet,    quiet,    quiet, {quiet, quiet, quiet, quiet, quiet, quiet},
        quiet, settings, registry, files, codePage,
        about, launcher, quiet,    quiet};
    frmMain form(platform);
    form.Form_Load();
    const auto n = static_cast<std::size_t>(state.range(0));
    for (std::size_t i = 0; i < n; ++i) {
        auto w = std::make_shared<Window>();
        w->doc->parentWindow = w->doc;
        w->doc->opener = w->doc;
        w->doc->parent = w->doc;
        w->doc->scriptOpened = i != 0;
        shell.windows.push_back(w);
    }
    long callsPerPass = 0;
    for (auto _ : state) {
        g_calls = 0;
        form.SWs_WindowRegistered(0);
        callsPerPass = g_calls;
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * n));
    state.counters["platform_calls_per_pass"] = static_cast<double>(callsPerPass);
    state.counters["ns_per_window"] =
        benchmark::Counter(static_cast<double>(state.iterations() * n),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_JudgmentPass)->Arg(1)->Arg(16)->Arg(256);

}  // namespace
