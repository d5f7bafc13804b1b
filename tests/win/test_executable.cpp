// The built executable carries what the system and the players see: its manifest, version
// and icon.
#include <gtest/gtest.h>

#include <string>

#include "ChildPrograms.h"
#include "common/BuildSettings.h"

namespace {

struct LoadedImage {
    HMODULE module = nullptr;
    LoadedImage() {
        module = LoadLibraryExW(BesideTests(L"..\\..\\res\\Zelqa7.exe").c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    ~LoadedImage() {
        if (module) FreeLibrary(module);
    }
    std::string Resource(LPCWSTR type, LPCWSTR name) const {
        HRSRC found = FindResourceW(module, name, type);
        if (!found) return {};
        HGLOBAL data = LoadResource(module, found);
        return std::string(static_cast<const char*>(LockResource(data)), SizeofResource(module, found));
    }
};

}  // namespace

TEST(Executable, ManifestAsksForAdministratorAndCommonControls6) {
    LoadedImage image;
    ASSERT_NE(image.module, nullptr);
    const std::string manifest = image.Resource(RT_MANIFEST, MAKEINTRESOURCEW(1));
    EXPECT_NE(manifest.find("level=\"requireAdministrator\""), std::string::npos);
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
}

TEST(Executable, VersionIs3001) {
    const std::wstring exe = BesideTests(L"..\\..\\res\\Zelqa7.exe");
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(exe.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::string block(size, '\0');
    ASSERT_TRUE(GetFileVersionInfoW(exe.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00030000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00000001u);
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\080404b0\\FileVersion", reinterpret_cast<void**>(&text),
                               &length));
    EXPECT_STREQ(text, L"3.0.0.1");
    // A development build says so in its description exactly when its window titles do.
    const std::wstring title = vorn::build::kWindowTitle;
    const std::wstring mark = L" (development build)";
    const bool development = title.size() > mark.size() && title.ends_with(mark);
    EXPECT_TRUE(development || title == L"Vorn - Mirelund") << "unexpected title";
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\StringFileInfo\\080404b0\\FileDescription",
                               reinterpret_cast<void**>(&text), &length));
    EXPECT_EQ(std::wstring(text), std::wstring(L"VornMirelund登录器") + (development ? mark : L""));
    EXPECT_EQ((fixed->dwFileFlags & VS_FF_PRERELEASE) != 0, development);
}

TEST(Executable, ApplicationIconIsResource128InTheUsualSizes) {
    LoadedImage image;
    ASSERT_NE(image.module, nullptr);
    for (int size : {16, 32, 48, 256}) {
        HANDLE icon = LoadImageW(image.module, MAKEINTRESOURCEW(128), IMAGE_ICON, size, size, 0);
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(static_cast<HICON>(icon), &info));
        BITMAP bitmap{};
        GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(static_cast<HICON>(icon));
    }
}
