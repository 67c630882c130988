// The program's path and name, the single-instance check and twips to pixels.
#include <optional>
#include <string>

#include "platform/win32/system/application.h"
#include "platform/win32/windows/layout.h"
#include "platform_test.h"

namespace shutterling::win32::test {

void PathsAndLayout() {
    struct Case {
        const wchar_t* path;
        const wchar_t* folder;
        const wchar_t* name;
    };
    const Case cases[] = {
        {L"C:\\Program Files\\Shutterling\\Shutterling.exe", L"C:\\Program Files\\Shutterling",
         L"Shutterling"},
        {L"C:\\Shutterling.exe", L"C:\\", L"Shutterling"},
        {L"\\\\server\\share\\app.v2.exe", L"\\\\server\\share", L"app.v2"},
        {L"D:\\dir.x\\noext", L"D:\\dir.x", L"noext"},
    };
    currentCase = "paths";
    for (const auto& c : cases) {
        CHECK(FolderOf(c.path) == c.folder);
        CHECK(BaseNameOf(c.path) == c.name);
    }

    currentCase = "application facts";
    ApplicationImpl app;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    CHECK(app.Path() == std::optional<std::wstring>(FolderOf(self)));
    CHECK(app.ExeName() == std::optional<std::wstring>(L"win32_platform_tests"));
    CHECK(app.Title() == L"Shutterling");

    currentCase = "single instance";
    CHECK(app.PrevInstance() == std::optional<bool>(false));
    CHECK(app.PrevInstance() == std::optional<bool>(false));  // asking again is not a second copy
    ApplicationImpl second;
    CHECK(second.PrevInstance() == std::optional<bool>(true));

    currentCase = "twips";
    CHECK(TwipsToPixels(1440, 96) == 96);
    CHECK(TwipsToPixels(15, 96) == 1);
    CHECK(TwipsToPixels(kMainClientWidth, 96) == 425);
    CHECK(TwipsToPixels(kMainClientHeight, 96) == 477);
    CHECK(TwipsToPixels(kMainClientWidth, 144) == 638);  // 637.5 rounds up
}

}  // namespace shutterling::win32::test
