#pragma once
// The launcher main window: a borderless skinned dialog whose caption band carries the
// tab strip, and whose client area hosts the game windows of its child processes (each
// tab is the frame of another process, re-parented into this window). The window never
// shows a page itself; it starts the game processes, pairs their titles and windows,
// places, shows, hides and closes their windows, and ends the launcher.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "framework/GdiObject.h"
#include "framework/ImageList.h"
#include "framework/ToolTipCtrl.h"
#include "hotkeys/HotKeyFormat.h"
#include "launcher/AddAccDlg.h"
#include "launcher/TabStrip.h"
#include "launcher/TabTitles.h"
#include "skin/BtnEx.h"
#include "skin/DlgEx.h"
#include "skin/StaticEx.h"

class CWayfront3Dlg;

// The one main window of this process, for the keyboard hook, which has no other way to
// reach it; set by the constructor.
extern CWayfront3Dlg* g_pMainDlg;
extern HHOOK g_hKeyboardHook;
// Boss key, window-switch key and sound key, as last loaded.
extern vorn::HotKey g_bossKey, g_switchKey, g_soundKey;

// The global low-level keyboard hook of the launcher. Every key goes on to the next hook:
// the launcher never swallows a keystroke.
LRESULT CALLBACK LowLevelKeyboardProc(int code, WPARAM wParam, LPARAM lParam);

class CWayfront3Dlg : public CDlgEx {
public:
    explicit CWayfront3Dlg(CWnd* parent = nullptr);
    ~CWayfront3Dlg() override;

    // Starts a game process for this window: it logs in, then sends its window here.
    void StartTabProcess();
    // Starts this program for a forced update.
    void StartUpdater();
    // Ends the launcher: a login in progress is killed, the tabs are closed.
    void ExitLauncher();
    void BringToFront();

    // Shows one tab window (placed, on top, foreground) and hides the others; null hides all.
    void ShowTab(HWND window);
    void NextTab();
    void CloseTab(int tab);
    void SelectTabAt(POINT point);
    // Reads the three hot keys and tells the game windows to do the same.
    void LoadHotKeys();

    int TabCount() const { return static_cast<int>(m_arrTabWnd.size()); }

    HICON m_hIcon = nullptr;
    CBtnEx m_btnHide;
    CBtnEx m_btnMenu;
    CBtnEx m_btnSound;
    CStaticEx m_stcOtherAccount;
    BOOL m_bMute = FALSE;
    OSVERSIONINFOW m_osvi{};
    HWND m_hPageWnd = nullptr;              // a game window that asked not to be a tab
    HANDLE m_hPendingChild = nullptr;       // the last game process started, until a window arrives
    std::vector<HWND> m_arrTabWnd;          // tab windows, in tab order
    std::vector<std::wstring> m_arrTabTitle;
    CImageList m_imgTabs;
    CImageList m_imgTabClose;
    int m_nCurTab = 0;
    int m_nHotTab = -1;
    int m_nCloseState = -1;
    BOOL m_bTipActive = FALSE;
    CToolTipCtrl m_tip;
    BOOL m_bTracking = FALSE;
    CAddAccDlg m_dlgAddAcc;

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    // Enter never closes the launcher.
    void OnOK() override;
    // The exit question.
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void PaintWindow(HDC target);
    void OnSize(int cx, int cy);
    LRESULT OnCopyData(WPARAM wParam, LPARAM lParam);
    void OnWindowArrived(HWND window, LPARAM isPageWindow);
    void OnAddAccountAnswer(WPARAM newTab);
    void ShowAddAccountQuestion();
    void PushSoundState();
    // The strip's mouse forms; TRUE when the point was in the band and the message is done.
    BOOL OnStripButton(UINT msg, POINT client);
    LRESULT OnNcHitTestStrip(WPARAM wParam, LPARAM lParam);
    bool HandleQueuedRule(MSG* msg, bool* consumed);
    void StartNewLauncher();

    vorn::launcher::StripHover Hover() const;
    void SetHover(const vorn::launcher::StripHover& hover);
    void Apply(const vorn::launcher::StripEffects& effects);
    void Repaint(const vorn::launcher::Rect& rect);
    bool IsPageVisible() const;
    bool IsAcceptableArrival(HWND window) const;

    // Titles registered by game processes whose windows have not arrived yet, with the
    // processes that registered them (watched, so that a process's death frees its title).
    void DropEndedTitles();
    void ReleaseTitleProcess(vorn::launcher::ProcessId process);
    std::vector<vorn::launcher::ProcessId> ProcessesLoggingIn();

    vorn::launcher::PendingTitles m_pendingTitles;
    std::vector<std::pair<vorn::launcher::ProcessId, HANDLE>> m_titleProcesses;
    std::vector<HANDLE> m_childrenLoggingIn;  // started game processes whose window has not come
    int m_nLastWidth = 0;
    bool m_bNoticeArmed = false;
};
