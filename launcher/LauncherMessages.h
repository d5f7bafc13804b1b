#pragma once
// The program's own window messages that reach the launcher main window or leave it.
// Each number has one meaning program-wide.
#include <windows.h>

namespace vorn::launcher {

inline constexpr UINT kMsgTrayCallback = WM_USER + 1;
inline constexpr UINT kMsgWindowArrived = WM_USER + 2;    // wParam window, lParam 1 page window / 0 tab
inline constexpr UINT kMsgShowTrayMenu = WM_USER + 3;
inline constexpr UINT kMsgReloadHotKeys = WM_USER + 4;    // from a settings dialog
inline constexpr UINT kMsgSoundState = WM_USER + 5;       // to game windows: wParam 1 silent
inline constexpr UINT kMsgAddAccountAnswer = WM_USER + 6; // wParam 1 new tab, 0 new launcher
inline constexpr UINT kMsgGameReloadHotKeys = WM_USER + 7;
// Posted by the cache-clearing thread to the window that started it: wParam 1 when
// everything was removed, 0 when something stayed.
inline constexpr UINT kMsgCacheCleared = WM_APP + 1;
// Posted by the wait on a game process when it ends: wParam the process's serial number.
inline constexpr UINT kMsgChildEnded = WM_APP + 2;
// Posted by the keyboard hook: wParam what the key asks for (a HookAction).
inline constexpr UINT kMsgHotKey = WM_APP + 3;
// Posted by the worker threads when their answer is ready: wParam the job's number.
inline constexpr UINT kMsgNoticeReady = WM_APP + 4;
inline constexpr UINT kMsgUpdateChecked = WM_APP + 5;
// Posted by the launcher window to itself when it first shows: the rest of its start.
inline constexpr UINT kMsgFinishStart = WM_APP + 6;

}  // namespace vorn::launcher
