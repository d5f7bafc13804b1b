#pragma once
// The game window's frame. Right after creation it becomes a child of the launcher's
// main window and announces itself; from then on the launcher places, shows, hides and
// closes it. It relays the window-switch key to the launcher, refreshes on F5, opens the
// favourites on Ctrl+D, applies the launcher's sound state, and ends its process when the
// launcher is gone.
#include "framework/FrameWnd.h"

class CMainFrame : public CFrameWnd {
public:
    static constexpr UINT kTimerLauncherWatch = 2;   // 800 ms
    static constexpr UINT kTimerScriptBox = 5;       // 130 ms, once
    static constexpr UINT kTimerRaiseLauncher = 6;   // 10 ms, once

    CMainFrame() = default;

    BOOL PreCreateWindow(CREATESTRUCTW& cs) override;
    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    int OnCreate(LPCREATESTRUCTW cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void OnTimer(UINT_PTR id);
};

namespace vorn {
// Reads the three hot keys of this game process again.
void ReadGameHotKeys();
}  // namespace vorn
