#pragma once
// What the files of the launcher main window share: resource numbers, timers and small
// conversions. Only those files include it.
#include <windows.h>

#include "common/BuildSettings.h"
#include "launcher/TabStrip.h"
#include "framework/Wnd.h"
#include "skin/SkinImage.h"

namespace vorn::launcher::window {

constexpr UINT kTemplate = 102;
constexpr int kHideId = 1001, kSoundId = 1002, kMenuId = 1003, kOtherAccountId = 1005;
constexpr UINT kIconId = 128;
constexpr UINT kMainBackPng = 134, kMinimizePng = 136, kMaximizePng = 135, kRestorePng = 137, kClosePng = 132;
constexpr UINT kHidePng = 138, kSoundOnPng = 149, kSoundMutedPng = 148, kMenuPng = 139;
constexpr UINT kTabsPng = 140, kTabClosePng = 141, kLinkPng = 142;
constexpr UINT kAddAccountTemplate = 161;
constexpr UINT kTrayIconId = 1;
constexpr UINT_PTR kSoundTimer = 3, kNoticeTimer = 4;
constexpr UINT kSoundPeriodMs = 400;
// The notice pop-up comes a little after the first game window, not over the login.
constexpr UINT kNoticeDelayMs = 5000;

inline const wchar_t* const kTitle = vorn::build::kWindowTitle;

inline RECT ToRECT(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// The process a window belongs to; 0 when it is no window.
inline DWORD ProcessOf(HWND window) {
    DWORD pid = 0;
    if (window != nullptr && IsWindow(window)) GetWindowThreadProcessId(window, &pid);
    return pid;
}

inline CBitmap LoadPicture(UINT id) { return LoadSkinPicture(AfxGetInstanceHandle(), id); }

}  // namespace vorn::launcher::window
