#pragma once
// Clearing what the embedded browser keeps in the user's profile (its cache, Flash local
// shared objects) on the player's request, and the cache size limit set at start.
#include <windows.h>

namespace vorn {

// Where the clearing thread reports that it has finished: `message` is posted to `window`
// with wParam 1 when everything was removed, 0 when something stayed (files in use).
struct ClearCacheNotice {
    HWND window = nullptr;
    UINT message = 0;
};

// Thread procedure: the shared objects, then the browser cache. The parameter is a
// ClearCacheNotice allocated with new (the thread deletes it), or null for no report.
DWORD WINAPI ClearCacheThread(void* parameter);
// Starts ClearCacheThread with a report to notice.window; FALSE when no thread started.
BOOL StartCacheClearing(const ClearCacheNotice& notice);

// 1 when the Flash shared-objects folder was removed, 0 otherwise.
int ClearFlashSharedObjects();
// Deletes every cache entry except cookies, then the cache folder; the folder's result, 0
// when it cannot be found.
int ClearBrowserCache();
// Deletes a folder and everything below it. Read-only files are deleted too; links
// (junctions, symbolic links) are removed themselves, never followed. 0, with the last
// error of the last failure set, when anything stayed.
int DeleteFolderTree(const wchar_t* path);
// Sets the browser's content cache limit in the current user's settings; the key is not
// created when missing. 1 when written.
int SetBrowserCacheLimit();

}  // namespace vorn
