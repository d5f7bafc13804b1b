#pragma once
// The launcher main window's messages within its own process: the answers of its worker
// threads, waits and hook. Those between processes are in common/GameMessages.h.
#include <windows.h>

#include "common/GameMessages.h"

static_assert(vorn::messages::kUserBase == WM_USER);

namespace vorn::launcher {

// Posted by the cache-clearing thread to the window that started it: wParam 1 when
// everything was removed, 0 when something stayed.
inline constexpr UINT kMsgCacheCleared = WM_APP + 1;
// Posted by the wait on a game process when it ends: wParam the process's serial number.
inline constexpr UINT kMsgChildEnded = WM_APP + 2;
// Posted by the keyboard hook: wParam the hot key pressed (a HotKeyRole).
inline constexpr UINT kMsgHotKey = WM_APP + 3;
// Posted by the worker threads when their answer is ready: wParam the job's number.
inline constexpr UINT kMsgNoticeReady = WM_APP + 4;
inline constexpr UINT kMsgUpdateChecked = WM_APP + 5;
// Posted by the launcher window to itself when it first shows: the rest of its start.
inline constexpr UINT kMsgFinishStart = WM_APP + 6;
// Posted by the window to itself when it is back on screen: the answers that waited.
inline constexpr UINT kMsgShowDeferredBoxes = WM_APP + 7;

}  // namespace vorn::launcher
