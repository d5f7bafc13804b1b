// Clearing real folder trees, the real URL cache and the real registry.
#include <gtest/gtest.h>
#include <windows.h>
#include <wininet.h>

#include <string>

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

TEST(DeleteFolderTree, RemovesALinkWithoutFollowingIt) {
    TempFolder root;
    const std::wstring elsewhere = root / L"elsewhere";
    CreateDirectoryW(elsewhere.c_str(), nullptr);
    TempFolder::WriteFile(elsewhere + L"\\precious.txt", "keep me");
    const std::wstring tree = root / L"cache";
    CreateDirectoryW(tree.c_str(), nullptr);
    const std::wstring link = tree + L"\\link";
    if (!CreateSymbolicLinkW(link.c_str(), elsewhere.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
        GTEST_SKIP() << "this system makes no directory links (error " << GetLastError() << ")";
    }
    ASSERT_TRUE(GetFileAttributesW(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT);
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
