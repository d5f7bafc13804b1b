#include "maintenance/CacheClear.h"

#include <shlobj.h>
#include <knownfolders.h>
#include <wininet.h>

#include <memory>
#include <string>
#include <vector>

#include "common/KernelHandle.h"
#include "common/Settings.h"
#include "common/WideText.h"
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

namespace {

// An entry itself (a link as a link), opened so that it can be deleted through this handle;
// a folder's handle also lists it.
KernelHandle OpenEntry(const std::wstring& path, DWORD share) {
    constexpr DWORD kAccess = DELETE | FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
    return KernelHandle(CreateFileW(path.c_str(), kAccess, share, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
}

// An entry is held without delete sharing while it is judged and emptied: nobody can rename
// it away and put a link in its place, so the names below it are looked up in it.
constexpr DWORD kPinShare = FILE_SHARE_READ | FILE_SHARE_WRITE;

DWORD AttributesOf(HANDLE entry) {
    BY_HANDLE_FILE_INFORMATION info{};
    return GetFileInformationByHandle(entry, &info) ? info.dwFileAttributes : INVALID_FILE_ATTRIBUTES;
}

// Deletes the entry behind the handle (a read-only one after clearing that bit); the error
// of the failure, or 0.
DWORD DeleteThrough(HANDLE entry, DWORD attributes) {
    if (attributes & FILE_ATTRIBUTE_READONLY) {
        FILE_BASIC_INFO basic{};
        basic.FileAttributes = (attributes & ~FILE_ATTRIBUTE_READONLY) != 0 ? attributes & ~FILE_ATTRIBUTE_READONLY
                                                                             : FILE_ATTRIBUTE_NORMAL;
        SetFileInformationByHandle(entry, FileBasicInfo, &basic, sizeof basic);
    }
    FILE_DISPOSITION_INFO dispose{TRUE};
    return SetFileInformationByHandle(entry, FileDispositionInfo, &dispose, sizeof dispose) ? 0 : GetLastError();
}

// The names in the folder held open, read through that handle (a listing by path would
// open the folder again, which its pin forbids); false, with the error, when it fails.
bool NamesIn(HANDLE folder, std::vector<std::wstring>& names) {
    std::vector<LONGLONG> buffer(8 * 1024);  // 64 KiB, aligned for the entries
    FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
    for (;;) {
        if (!GetFileInformationByHandleEx(folder, kind, buffer.data(), static_cast<DWORD>(buffer.size() * sizeof(LONGLONG)))) {
            return GetLastError() == ERROR_NO_MORE_FILES;
        }
        kind = FileIdBothDirectoryInfo;
        const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());
        for (;;) {
            const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
            std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..") names.push_back(std::move(name));
            if (entry->NextEntryOffset == 0) break;
            at += entry->NextEntryOffset;
        }
    }
}

// Empties and deletes the real folder `folder`, held open as `held`; the last error of what
// stayed, or 0.
DWORD DeleteHeldFolder(const std::wstring& folder, HANDLE held, DWORD attributes) {
    const std::wstring prefix = folder + L'\\';
    DWORD pending = 0;
    std::vector<std::wstring> names;
    if (!NamesIn(held, names)) pending = GetLastError();
    for (const std::wstring& name : names) {
        const std::wstring child = prefix + name;
        if (child.size() >= MAX_PATH) {
            pending = ERROR_FILENAME_EXCED_RANGE;
            continue;
        }
        // What the entry is, read on the entry opened, not from the listing: it may have
        // been replaced in between. Held pinned: a folder is emptied only while nobody can
        // swap it, and the names below it are looked up in it.
        KernelHandle entry = OpenEntry(child, kPinShare);
        const DWORD childAttributes = entry ? AttributesOf(entry.get()) : INVALID_FILE_ATTRIBUTES;
        if (childAttributes == INVALID_FILE_ATTRIBUTES) {
            if (!IsMissing(GetLastError())) pending = GetLastError();
            continue;
        }
        // What stayed below a folder is the reason this one stays too: report that, not
        // "folder not empty".
        const DWORD error = FolderEntryActionFor(childAttributes) == FolderEntryAction::Descend
                                ? DeleteHeldFolder(child, entry.get(), childAttributes)
                                : DeleteThrough(entry.get(), childAttributes);
        if (error != 0) pending = error;
    }
    const DWORD error = DeleteThrough(held, attributes);
    return pending != 0 ? pending : error;
}

}  // namespace

int DeleteFolderTree(const wchar_t* path) {
    if (path == nullptr || path[0] == L'\0') {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    std::wstring folder(path);
    if (folder.back() == L'\\') folder.pop_back();
    KernelHandle top = OpenEntry(folder, kPinShare);
    const DWORD attributes = top ? AttributesOf(top.get()) : INVALID_FILE_ATTRIBUTES;
    if (attributes == INVALID_FILE_ATTRIBUTES) return 0;  // the open's error kept
    // A link is removed as a link: what it points to is somewhere else on the machine.
    const DWORD error = FolderEntryActionFor(attributes) == FolderEntryAction::Descend
                            ? DeleteHeldFolder(folder, top.get(), attributes)
                            : DeleteThrough(top.get(), attributes);
    if (error != 0) {
        SetLastError(error);
        return 0;
    }
    return 1;
}

namespace {

std::wstring UpperCased(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The player's profile folder as the machine's own list of profiles names it (not the
// user's shell folder settings, which any program of theirs may change).
std::wstring ProfileFolder() {
    PWSTR path = nullptr;
    std::wstring profile;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_Profile, 0, nullptr, &path)) && path != nullptr) profile = path;
    CoTaskMemFree(path);
    return profile;
}

// DeleteFolderTree of a folder the user's settings name, only when it lies inside their
// profile and no level on the way down from the profile is a link (each is held while the
// folder is deleted, so none can become one). Otherwise nothing is deleted: 0, access denied.
int DeleteInsideProfile(const std::wstring& folder) {
    const std::wstring profile = ProfileFolder();
    const std::u16string upperFolder = ToU16(UpperCased(folder)), upperProfile = ToU16(UpperCased(profile));
    const auto below = profile.empty() ? std::nullopt : ComponentsInside(upperFolder, upperProfile);
    if (!below) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    std::vector<KernelHandle> way;
    std::wstring level = profile;
    if (level.back() == L'\\') level.pop_back();
    for (size_t i = 0; i + 1 < below->size(); ++i) {
        level += L'\\';
        level += std::wstring((*below)[i].begin(), (*below)[i].end());
        KernelHandle held = OpenEntry(level, kPinShare);
        const DWORD attributes = held ? AttributesOf(held.get()) : INVALID_FILE_ATTRIBUTES;
        if (attributes == INVALID_FILE_ATTRIBUTES) return 0;  // missing: nothing to delete
        if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            SetLastError(ERROR_ACCESS_DENIED);
            return 0;
        }
        way.push_back(std::move(held));
    }
    return DeleteFolderTree(folder.c_str());
}

}  // namespace

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
    return DeleteInsideProfile(folder);
}

int ClearBrowserCache() {
    const bool entries = DeleteUrlCacheEntries();
    wchar_t cache[MAX_PATH] = {};
    if (!SHGetSpecialFolderPathW(nullptr, cache, CSIDL_INTERNET_CACHE, FALSE)) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return 0;
    }
    const int result = DeleteInsideProfile(cache);
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
    const KernelHandle thread(CreateThread(nullptr, 0, &ClearCacheThread, owned, 0, nullptr));
    if (!thread) {
        delete owned;
        return FALSE;
    }
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
