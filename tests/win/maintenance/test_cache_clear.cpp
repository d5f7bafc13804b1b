// Clearing real folder trees, the real URL cache and the real registry.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>
#include <winioctl.h>
#include <shlobj.h>
#include <knownfolders.h>

#include <cstring>
#include <string>
#include <vector>

#include "../TempFolder.h"
#include "common/Settings.h"
#include "maintenance/CacheClear.h"

using namespace vorn;

namespace {

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

TEST(DeleteFolderTree, RemovesReadOnlyFilesAndKeepsWhatIsLockedAndTheWayToIt) {
    TempFolder root;
    for (const wchar_t* trailing : {L"", L"\\"}) {
        const std::wstring tree = root / (std::wstring(L"tree") + (trailing[0] ? L"2" : L"1"));
        CreateDirectoryW(tree.c_str(), nullptr);
        CreateDirectoryW((tree + L"\\a").c_str(), nullptr);
        CreateDirectoryW((tree + L"\\a\\empty").c_str(), nullptr);
        TempFolder::WriteFile(tree + L"\\a\\ro.sol", "x");
        SetFileAttributesW((tree + L"\\a\\ro.sol").c_str(), FILE_ATTRIBUTE_READONLY);
        TempFolder::WriteFile(tree + L"\\top.txt", "y");
        EXPECT_EQ(DeleteFolderTree((tree + trailing).c_str()), 1);
        EXPECT_FALSE(Exists(tree));
    }

    const std::wstring tree = root / L"locked";
    CreateDirectoryW(tree.c_str(), nullptr);
    CreateDirectoryW((tree + L"\\in").c_str(), nullptr);
    CreateDirectoryW((tree + L"\\other").c_str(), nullptr);
    TempFolder::WriteFile(tree + L"\\in\\held.dat", "z");
    TempFolder::WriteFile(tree + L"\\in\\free.dat", "z");
    TempFolder::WriteFile(tree + L"\\other\\free.dat", "z");
    HANDLE held = CreateFileW((tree + L"\\in\\held.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    SetLastError(0);
    EXPECT_EQ(DeleteFolderTree(tree.c_str()), 0);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    EXPECT_TRUE(Exists(tree + L"\\in\\held.dat"));
    EXPECT_FALSE(Exists(tree + L"\\in\\free.dat"));
    EXPECT_FALSE(Exists(tree + L"\\other"));
    CloseHandle(held);
}

TEST(DeleteFolderTree, RemovesAJunctionWithoutFollowingIt) {
    TempFolder root;
    const std::wstring elsewhere = root / L"elsewhere";
    CreateDirectoryW(elsewhere.c_str(), nullptr);
    TempFolder::WriteFile(elsewhere + L"\\precious.txt", "keep me");
    const std::wstring tree = root / L"cache";
    CreateDirectoryW(tree.c_str(), nullptr);
    const std::wstring link = tree + L"\\link";
    if (!TempFolder::MakeJunction(link, elsewhere)) GTEST_SKIP() << "no junctions here (error " << GetLastError() << ")";
    const DWORD attributes = GetFileAttributesW(link.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    ASSERT_EQ(TempFolder::ReadFile(link + L"\\precious.txt"), "keep me");  // it leads there
    EXPECT_EQ(DeleteFolderTree(tree.c_str()), 1);
    EXPECT_FALSE(Exists(tree));
    EXPECT_EQ(TempFolder::ReadFile(elsewhere + L"\\precious.txt"), "keep me");
}

TEST(ClearBrowserCache, KeepsCookieEntriesAndReportsTheEndToTheWindow) {
    const wchar_t* const urls[] = {L"http://127.0.0.1/page.html", L"Cookie:player@127.0.0.1/"};
    const DWORD types[] = {NORMAL_CACHE_ENTRY, COOKIE_CACHE_ENTRY};
    for (int i = 0; i < 2; ++i) {
        wchar_t file[MAX_PATH] = {};
        ASSERT_TRUE(CreateUrlCacheEntryW(urls[i], 0, L"txt", file, 0)) << GetLastError();
        TempFolder::WriteFile(file, "cached");
        FILETIME never{};
        ASSERT_TRUE(CommitUrlCacheEntryW(urls[i], file, never, never, types[i], nullptr, 0, L"txt", nullptr))
            << GetLastError();
    }
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    constexpr UINT kDone = WM_APP + 5;
    ASSERT_TRUE(StartCacheClearing({window, kDone}));
    MSG msg{};
    const DWORD until = GetTickCount() + 20000;
    bool done = false;
    while (!done && GetTickCount() < until) {
        if (PeekMessageW(&msg, window, kDone, kDone, PM_REMOVE)) done = true;
        else Sleep(20);
    }
    ASSERT_TRUE(done);
    DWORD size = 0;
    GetUrlCacheEntryInfoW(urls[0], nullptr, &size);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));  // the page is gone
    size = 0;
    GetUrlCacheEntryInfoW(urls[1], nullptr, &size);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));  // the cookie stays
    DeleteUrlCacheEntryW(urls[1]);
    DestroyWindow(window);
}

TEST(ClearBrowserCache, LeavesAFolderOutsideTheProfileOrBehindALinkInItAlone) {
    // The user's own shell folder setting names the cache; any program of theirs may change it.
    constexpr wchar_t kShellFolders[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    wchar_t saved[MAX_PATH] = {};
    DWORD savedSize = sizeof saved;
    const bool hadValue = RegGetValueW(HKEY_CURRENT_USER, kShellFolders, L"Cache", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ |
                                       RRF_NOEXPAND, nullptr, saved, &savedSize) == ERROR_SUCCESS;
    auto pointCacheAt = [&](const std::wstring& folder) {
        ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Cache", REG_EXPAND_SZ, folder.c_str(),
                                  static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t))),
                  ERROR_SUCCESS);
    };
    const std::wstring foreign = L"C:\\vorn-foreign-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(foreign.c_str(), nullptr);
    CreateDirectoryW((foreign + L"\\sub").c_str(), nullptr);
    TempFolder::WriteFile(foreign + L"\\sub\\precious.txt", "keep me");

    pointCacheAt(foreign);
    EXPECT_EQ(ClearBrowserCache(), 0);
    EXPECT_TRUE(Exists(foreign + L"\\sub\\precious.txt"));

    // Inside the profile by its text, but through a junction there to the same folder.
    PWSTR profile = nullptr;
    ASSERT_TRUE(SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Profile, 0, nullptr, &profile)));
    const std::wstring way = std::wstring(profile) + L"\\vorn-way-" + std::to_wstring(GetCurrentProcessId());
    CoTaskMemFree(profile);
    if (TempFolder::MakeJunction(way, foreign)) {
        pointCacheAt(way + L"\\sub");
        EXPECT_EQ(ClearBrowserCache(), 0);
        EXPECT_TRUE(Exists(foreign + L"\\sub\\precious.txt"));
        RemoveDirectoryW(way.c_str());
    }

    if (hadValue) {
        pointCacheAt(saved);
    } else {
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kShellFolders, L"Cache");
    }
    DeleteFileW((foreign + L"\\sub\\precious.txt").c_str());
    RemoveDirectoryW((foreign + L"\\sub").c_str());
    RemoveDirectoryW(foreign.c_str());
}

TEST(SetBrowserCacheLimit, WritesOnlyIntoAnExistingKey) {
    RegDeleteKeyW(HKEY_CURRENT_USER, settings::kCacheContentKey);
    EXPECT_EQ(SetBrowserCacheLimit(), 0);
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_CURRENT_USER, settings::kCacheContentKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, settings::kCacheContentKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(SetBrowserCacheLimit(), 1);
    DWORD value = 0, size = sizeof value;
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, settings::kCacheContentKey, settings::kCacheLimitValue, RRF_RT_REG_DWORD,
                           nullptr, &value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 0x100000u);
}
