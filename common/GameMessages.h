#pragma once
// The window messages between a launcher main window, its game processes and the other
// launchers of the machine. Each number has one meaning program-wide; both sides of every
// exchange take it from here. Kept free of <windows.h> so that the portable rules can use
// it (kUserBase is WM_USER).
#include <cstdint>

namespace vorn::messages {

inline constexpr unsigned kUserBase = 0x0400;

inline constexpr unsigned kTrayCallback = kUserBase + 1;     // tray icon -> launcher: wParam icon id, lParam mouse message
inline constexpr unsigned kWindowArrived = kUserBase + 2;    // game frame -> launcher: wParam frame, lParam 1 page window / 0 tab
inline constexpr unsigned kShowTrayMenu = kUserBase + 3;     // launcher -> itself
inline constexpr unsigned kReloadHotKeys = kUserBase + 4;    // settings dialog -> every launcher main window
inline constexpr unsigned kSoundState = kUserBase + 5;       // launcher -> game frames: wParam 1 silent, 0 sound on
inline constexpr unsigned kAddAccountAnswer = kUserBase + 6; // add-account question -> launcher: wParam 1 new tab, 0 new launcher
inline constexpr unsigned kGameReloadHotKeys = kUserBase + 7;  // launcher -> game frames

// In lParam of key and close messages the program produced itself: such a key is never
// a hot key, an F5 carrying it always refreshes, an SC_CLOSE carrying it is a cancelled
// login rather than a player's close.
inline constexpr std::intptr_t kOwnMessageMarker = 7261;

// dwData of the copy-data message that registers a tab's title (login -> launcher).
inline constexpr std::uintptr_t kCopyDataTabTitle = 0;

}  // namespace vorn::messages
