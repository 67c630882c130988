// HasPlainWindowOfSize on its own: whether an ordinary HTML window has the
// restored size of a popup; it either answers or fails as a whole.
#include <optional>

#include "unit/watcher_fixture.h"

namespace shutterling::fakes {
namespace {

// Each case changes a second, plain 640x480 window "plain"; expected: the
// answer, or nothing when the check fails.
using PlainCase = WindowCase<std::optional<bool>>;
class PlainWindow : public WatcherTest, public ::testing::WithParamInterface<PlainCase> {};

const PlainCase kPlainCases[] = {
    {"Matches", [](FakePlatform&, FakeBrowserWindow&) {}, true},
    {"RestoredSizeDiffers",
     [](FakePlatform& p, FakeBrowserWindow& w) { p.system.placements[*w.hwnd]->right += 1; },
     false},
    {"HeightAndWidthAreNotSwapped",
     [](FakePlatform& p, FakeBrowserWindow& w) {
         p.system.placements[*w.hwnd] = platform::Rect{0, 0, 480, 640};
     },
     false},
    {"PlacementUnreadableDoesNotMatch",
     [](FakePlatform& p, FakeBrowserWindow& w) { p.system.placements.erase(*w.hwnd); }, false},
    {"ScriptOpenedWindowsAreSkipped",
     [](FakePlatform&, FakeBrowserWindow& w) { w.SetOpener(Opener::Page); }, false},
    {"NonHtmlSkippedBeforeItsOpenerIsRead",
     [](FakePlatform&, FakeBrowserWindow& w) {
         w.doc->className = L"ShellFolderView";
         w.SetOpener(Opener::Unreadable);
     },
     false},
    {"NoDocumentSkipped",
     [](FakePlatform&, FakeBrowserWindow& w) {
         w.document = std::shared_ptr<platform::Dispatch>();
     },
     false},
    {"DocumentUnreadableFails",
     [](FakePlatform&, FakeBrowserWindow& w) { w.document = std::nullopt; }, std::nullopt},
    {"ClassNameUnreadableFails",
     [](FakePlatform&, FakeBrowserWindow& w) { w.doc->className = std::nullopt; }, std::nullopt},
    {"OpenerUnreadableFails",
     [](FakePlatform&, FakeBrowserWindow& w) { w.SetOpener(Opener::Unreadable); }, std::nullopt},
    {"HwndUnreadableFails", [](FakePlatform&, FakeBrowserWindow& w) { w.hwnd = std::nullopt; },
     std::nullopt},
    {"FetchFails", [](FakePlatform& p, FakeBrowserWindow&) { p.shell.failFetchAt = 1; },
     std::nullopt},
    {"WalkCannotStart", [](FakePlatform& p, FakeBrowserWindow&) { p.shell.walkFails = {true}; },
     std::nullopt},
};

TEST_P(PlainWindow, AnswersOrFailsAsAWhole) {
    home->hwnd = 0x77;  // home (1024x768) is never the match
    auto plain = p.shell.Open("plain", L"Plain", Opener::EmptyString);
    p.system.placements[*plain->hwnd] = platform::Rect{100, 50, 740, 530};
    GetParam().setup(p, *plain);
    EXPECT_EQ(p.form.HasPlainWindowOfSize(480, 640), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlainWindow, ::testing::ValuesIn(kPlainCases), kCaseName);

}  // namespace
}  // namespace shutterling::fakes
