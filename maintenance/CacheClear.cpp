#include "maintenance/CacheClear.h"

#include <shlobj.h>
#include <wininet.h>

#include <memory>
#include <string>

#include "common/Settings.h"
#include "maintenance/FolderRules.h"

namespace vorn {

namespace {

constexpr wchar_t kFlashSharedObjects[] = L"\\Macromedia\\Flash Player\\#SharedObjects";

bool IsMissing(DWORD error) { return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND; }

// Deletes the non-cookie entries of the browser's URL cache; FALSE when one could not be.
bool DeleteUrlCacheEntries() {
    bool all = true;
    DWORD size = 0;
    FindFirstUrlCacheEntryW(nullptr, nullptr, &size);
    if (size == 0) return true;
    auto buffer = std::make_unique<BYTE[]>(size);
    auto* entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.get());
    HANDLE walk = FindFirstUrlCacheEntryW(nullptr, entry, &size);
    if (walk == nullptr) return true;
    for (;;) {
        // Cookies keep the player logged in: they stay.
        if ((entry->CacheEntryType & COOKIE_CACHE_ENTRY) == 0 && entry->lpszSourceUrlName != nullptr &&
            !DeleteUrlCacheEntryW(entry->lpszSourceUrlName) && !IsMissing(GetLastError())) {
            all = false;
        }
        size = 0;
        FindNextUrlCacheEntryW(walk, nullptr, &size);
        if (size == 0) break;
        buffer = std::make_unique<BYTE[]>(size);
        entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW*>(buffer.get());
        if (!FindNextUrlCacheEntryW(walk, entry, &size)) break;
    }
    FindCloseUrlCache(walk);
    return all;
}

// A folder tree cleared; TRUE when nothing stayed but what was missing already.
bool ClearedOrMissing(int result) { return result != 0 || IsMissing(GetLastError()); }

}  // namespace

int DeleteFolderTree(const wchar_t* path) {
    if (path == nullptr || path[0] == L'\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring folder(path);
    if (folder.back() == L'\\') folder.pop_back();
    // A link is removed as a link: what it points to is somewhere else on the machine.
    const DWORD attributes = GetFileAttributesW(folder.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && FolderEntryActionFor(attributes) == FolderEntryAction::RemoveLink) {
        return RemoveDirectoryW(folder.c_str()) ? 1 : 0;
    }
    const std::wstring prefix = folder + L'\\';
    if (prefix.size() + 1 >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((prefix + L'*').c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return RemoveDirectoryW(folder.c_str()) ? 1 : 0;
    DWORD pending = 0;
    do {
        const std::wstring name(found.cFileName);
        if (name == L"." || name == L"..") continue;
        const std::wstring child = prefix + name;
        const FolderEntryAction action = FolderEntryActionFor(found.dwFileAttributes);
        if (action == FolderEntryAction::Descend) {
            // What stayed below is the reason this folder stays too: report that, not
            // "folder not empty".
            if (!DeleteFolderTree(child.c_str())) pending = GetLastError();
            continue;
        }
        if (found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) {
            SetFileAttributesW(child.c_str(), found.dwFileAttributes & ~FILE_ATTRIBUTE_READONLY);
        }
        const BOOL removed = action == FolderEntryAction::RemoveLink ? RemoveDirectoryW(child.c_str())
                                                                     : DeleteFileW(child.c_str());
        if (!removed) pending = GetLastError();
    } while (FindNextFileW(search, &found));
    FindClose(search);
    if (!RemoveDirectoryW(folder.c_str()) && pending == 0) pending = GetLastError();
    if (pending != 0) {
        SetLastError(pending);
        return 0;
    }
    return 1;
}

int ClearFlashSharedObjects() {
    wchar_t appData[MAX_PATH] = {};
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)) || appData[0] == 0) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    const std::wstring folder = std::wstring(appData) + kFlashSharedObjects;
    if (folder.size() >= MAX_PATH) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    return DeleteFolderTree(folder.c_str());
}

int ClearBrowserCache() {
    const bool entries = DeleteUrlCacheEntries();
    wchar_t cache[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, cache, CSIDL_INTERNET_CACHE, FALSE)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    const int result = DeleteFolderTree(cache);
    if (result != 0 && !entries) {
        SetLastError(ERROR_SHARING_VIOLATION);
        return 0;
    }
    return result;
}

DWORD WINAPI ClearCacheThread(void* parameter) {
    std::unique_ptr<ClearCacheNotice> notice(static_cast<ClearCacheNotice*>(parameter));
    bool complete = ClearedOrMissing(ClearFlashSharedObjects());
    complete = ClearedOrMissing(ClearBrowserCache()) && complete;
    if (notice && notice->window != nullptr) PostMessageW(notice->window, notice->message, complete ? 1 : 0, 0);
    return 0;
}

BOOL StartCacheClearing(const ClearCacheNotice& notice) {
    auto* owned = new ClearCacheNotice(notice);
    HANDLE thread = CreateThread(nullptr, 0, &ClearCacheThread, owned, 0, nullptr);
    if (thread == nullptr) {
        delete owned;
        return FALSE;
    }
    CloseHandle(thread);
    return TRUE;
}

int SetBrowserCacheLimit() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, settings::kCacheContentKey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        return 0;
    }
    const DWORD limit = settings::kCacheLimit;
    const bool written = RegSetValueExW(key, settings::kCacheLimitValue, 0, REG_DWORD,
                                        reinterpret_cast<const BYTE*>(&limit), sizeof limit) == ERROR_SUCCESS;
    const bool closed = RegCloseKey(key) == ERROR_SUCCESS;
    return written && closed ? 1 : 0;
}

}  // namespace vorn
