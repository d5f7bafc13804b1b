#pragma once
// The launcher main window: a borderless skinned dialog whose caption band carries the
// tab strip, and whose client area hosts the game windows of its child processes (each
// tab is the frame of another process, re-parented into this window). The window never
// shows a page itself; it starts the game processes, pairs their titles and windows,
// places, shows, hides and closes their windows, and ends the launcher.
//
// Its code lives in several files, by subject:
//   Wayfront3Dlg.cpp          the window, its layout, painting and message dispatch
//   Wayfront3DlgTabs.cpp      the tab strip and the tab windows
//   Wayfront3DlgChildren.cpp  the game processes: starting them, titles, arriving windows
//   Wayfront3DlgTray.cpp      tray icon, pop-up menus and their commands
//   Wayfront3DlgKeys.cpp      the keyboard hook, hot keys and queued key messages
//   Wayfront3DlgBoxes.cpp     hiding and showing, with the launcher's own boxes
#include <windows.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "framework/GdiObject.h"
#include "framework/ImageList.h"
#include "framework/ToolTipCtrl.h"
#include "hotkeys/HotKeyFormat.h"
#include "launcher/AddAccDlg.h"
#include "launcher/BackgroundJob.h"
#include "launcher/GameTabs.h"
#include "launcher/LauncherMessages.h"
#include "launcher/TabStrip.h"
#include "skin/BtnEx.h"
#include "online/PopInfoDlg.h"
#include "online/UpdateRules.h"
#include "skin/DlgEx.h"
#include "skin/StaticEx.h"

class CSettingDlg;

class CWayfront3Dlg : public CDlgEx {
public:
    explicit CWayfront3Dlg(CWnd* parent = nullptr);
    ~CWayfront3Dlg() override;

    // A queued press of the boss or sound key, aimed at any window of this process, whose
    // default handling would start a menu mode: the hook has acted on it already, and F10
    // or an Alt combination would start the system menu's keyboard mode in a window being
    // hidden, a mode that takes the player's next click anywhere on the desktop. Never a
    // key typed into a key box of the settings dialog.
    bool SwallowsHotKeyPress(const MSG& msg) const;

    // The caller's work for the moment the window is on screen (the usage report), after
    // the first game process has started.
    std::function<void()> m_afterShown;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // The part of the start that waits until the window is on screen: the first game
    // process, then the pictures of the skin and of the controls, which the 1 x 1 window
    // does not show yet.
    void FinishStart();
    BOOL PreTranslateMessage(MSG* msg) override;
    // Enter never closes the launcher.
    void OnOK() override;
    // The exit question.
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // --- the window (Wayfront3Dlg.cpp)
    // Ends the launcher: every login in progress is killed, the tabs are closed.
    void ExitLauncher();
    // --- hiding and boxes (Wayfront3DlgBoxes.cpp)
    void BringToFront();
    // Hides the launcher with everything it shows, or brings it back to the front.
    void ToggleHide();
    // The launcher's own message box, once the launcher is on screen: an answer that comes
    // while it is hidden waits for its return.
    void Tell(const std::wstring& text);
    void ShowDeferredBoxes();
    // A modal box of the launcher's own (the launcher is disabled under it).
    int RunModal(const std::function<int()>& box);
    void OnSize(int cx, int cy);
    void PushSoundState();
    // The notice is fetched on a worker when its timer fires and shown when it is there.
    void FetchNoticeLater();
    void OnNoticeReady(WPARAM job);

    // --- tab strip and tabs (Wayfront3DlgTabs.cpp)
    // The skin and the strip, through a buffer.
    void PaintWindow(HDC target);
    int TabCount() const { return m_tabs.Count(); }
    const std::vector<HWND>& TabWindows() const { return m_tabs.Windows(); }
    // Shows one tab window (placed, on top, foreground) and hides the others; null hides all.
    void ShowTab(HWND window);
    void NextTab();
    void CloseTab(int tab);
    // Takes a tab out of the strip; the selected tab stays selected, and when it was the one
    // taken out, the one that takes its place is shown.
    void RemoveTab(int tab);
    void SelectTabAt(POINT point);
    // The strip's mouse forms; TRUE when the point was in the band and the message is done.
    BOOL OnStripButton(UINT msg, POINT client);
    LRESULT OnNcHitTestStrip(WPARAM wParam, LPARAM lParam);
    vorn::launcher::StripHover Hover() const;
    void SetHover(const vorn::launcher::StripHover& hover);
    void Apply(const vorn::launcher::StripEffects& effects);
    void Repaint(const vorn::launcher::Rect& rect);
    bool IsPageVisible() const;

    // --- game processes (Wayfront3DlgChildren.cpp)
    // Starts a game process for this window: it logs in, then sends its window here.
    void StartTabProcess();
    // Starts this program for a forced update.
    void StartUpdater();
    void StartNewLauncher();
    LRESULT OnCopyData(WPARAM wParam, LPARAM lParam);
    void OnWindowArrived(HWND window, LPARAM isPageWindow);
    void ShowAddAccountQuestion();
    void OnAddAccountAnswer(WPARAM newTab);
    // A game process ended on its own: its tab goes, or a login's hold on the window.
    void OnChildEnded(unsigned serial);
    // A login holds the launcher disabled; when none is left and no box of the launcher's
    // own is open, the window is given back.
    void EnableUnlessHeld();

    // --- tray and menus (Wayfront3DlgTray.cpp)
    void AddTrayIcon();
    void RemoveTrayIcon();
    void ShowSystemMenu();
    void ShowTrayMenu();
    void RunMenuCommand(int command);
    // The "更新" check runs on a worker; its answer comes as kMsgUpdateChecked.
    void CheckForUpdateNow();
    void OnUpdateChecked(WPARAM job);
    void ClearCache();
    void OnCacheCleared(WPARAM everythingRemoved);
    void OpenSettings();

    // --- keyboard hook and hot keys (Wayfront3DlgKeys.cpp)
    void InstallKeyboardHook();
    void RemoveKeyboardHook();
    // Reads the three hot keys and tells the game windows to do the same.
    void LoadHotKeys();
    void ToggleSound() { m_bMute = !m_bMute; }
    // What the hook posted about a key (a HotKeyRole).
    void OnHotKey(WPARAM role);
    bool HandleQueuedRule(MSG* msg, bool* consumed);

    HICON m_hIcon = nullptr;
    CBtnEx m_btnHide;
    CBtnEx m_btnMenu;
    CBtnEx m_btnSound;
    CStaticEx m_stcOtherAccount;
    BOOL m_bMute = FALSE;
    BOOL m_bShownMute = TRUE;  // the sound button's look; silent at first so the first tick sets it
    CPopInfoDlg m_dlgNotice;
    OSVERSIONINFOW m_osvi{};
    // The tabs (the lists of tab windows and titles), the page window and the game
    // processes, written by this owner alone.
    vorn::launcher::GameTabs m_tabs{vorn::launcher::kMsgChildEnded};
    CImageList m_imgTabs;
    CImageList m_imgTabClose;
    int m_nCurTab = 0;
    int m_nHotTab = -1;
    int m_nCloseState = -1;
    BOOL m_bTipActive = FALSE;
    CToolTipCtrl m_tip;
    BOOL m_bTracking = FALSE;
    CAddAccDlg m_dlgAddAcc;
    // The settings dialog opened from a menu, while it is open: the boss key dismisses it,
    // and a second "设置..." brings it forward instead of opening another.
    CSettingDlg* m_pOpenSettingsDlg = nullptr;
    vorn::HotKeySet m_hotKeys;  // as last loaded; the hook has its own copy of the same

    bool m_bTabLimitShown = false;                      // the "only 3 tabs" box is open
    int m_nLastWidth = 0;
    bool m_bNoticeArmed = false;
    vorn::launcher::BackgroundJob<vorn::NoticeContent> m_noticeJob;
    struct UpdateAnswer {
        bool update = false;    // a newer release is published
        vorn::UpdateCheckOutcome outcome = vorn::UpdateCheckOutcome::kFailed;
    };
    vorn::launcher::BackgroundJob<UpdateAnswer> m_updateJob;
    bool m_bTrayIcon = false;
    bool m_bTrayWanted = false;   // the first game window has come: the icon belongs there
    bool m_bExiting = false;      // ExitLauncher has begun: nothing is added any more
    UINT m_uTaskbarCreated = 0;   // the shell's "taskbar created" message: icons are lost
    int m_nOwnModal = 0;          // boxes of the launcher's own open (nested)
    std::vector<HWND> m_hiddenBoxes;          // boxes hidden with the launcher, shown with it
    std::vector<std::wstring> m_deferredBoxes;  // answers that came while it was hidden
    bool m_bStartPosted = false;  // the rest of the start is on its way or done
    bool m_bStarted = false;
    int m_nCacheClearings = 0;  // clearing threads started whose report has not come yet
};
