// The resources as Windows reads them from the shipped executable.
#include <string>
#include <vector>

#include "platform_test.h"
#include "shutterling_res.h"

namespace shutterling::win32::test {

void ExecutableResources(const char* exePath) {
    currentCase = "executable resources";
    const HMODULE exe = LoadLibraryExA(exePath, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    CHECK(exe != nullptr);
    if (!exe)
        return;
    struct Image {
        int id;
        UINT type;
        int size;
    };
    for (const Image& i :
         {Image{IDI_SHUTTERLING, IMAGE_ICON, 16}, Image{IDI_SHUTTERLING, IMAGE_ICON, 32},
          Image{IDI_DISABLED, IMAGE_ICON, 16}, Image{IDCUR_HAND, IMAGE_CURSOR, 32}}) {
        HANDLE h = LoadImageW(exe, MAKEINTRESOURCEW(i.id), i.type, i.size, i.size, 0);
        CHECK(h != nullptr);
        if (i.type == IMAGE_CURSOR && h) {
            ICONINFO info{};
            CHECK(GetIconInfo(static_cast<HICON>(h), &info));
            CHECK(info.xHotspot == 7 && info.yHotspot == 1);
            if (info.hbmMask)
                DeleteObject(info.hbmMask);
            if (info.hbmColor)
                DeleteObject(info.hbmColor);
        }
        if (h)
            i.type == IMAGE_ICON ? DestroyIcon(static_cast<HICON>(h))
                                 : DestroyCursor(static_cast<HCURSOR>(h));
    }
    CHECK(FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24)) != nullptr);  // manifest
    FreeLibrary(exe);

    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(exePath, &ignored);
    CHECK(size > 0);
    std::vector<char> block(size);
    CHECK(GetFileVersionInfoA(exePath, 0, size, block.data()));
    struct Value {
        const char* name;
        const char* expected;
    };
    for (const Value& v :
         {Value{"FileVersion", "1.00"}, Value{"ProductVersion", "1.00"},
          Value{"ProductName", "Shutterling"}, Value{"InternalName", "Shutterling"},
          Value{"OriginalFilename", "Shutterling.exe"}}) {
        char* text = nullptr;
        UINT length = 0;
        const std::string key = std::string("\\StringFileInfo\\040904B0\\") + v.name;
        CHECK(VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&text), &length));
        CHECK(text && std::string(text) == v.expected);
    }
}

}  // namespace shutterling::win32::test
