#pragma once
// The application object: chooses the process's role once, from its command line.
#include <windows.h>

#include <functional>
#include <string>

#include "common/KernelHandle.h"

#include "framework/WinApp.h"
#include "online/ProgressDialog.h"

class CWayfront3Dlg;

// Set by GetRunMode from "/newgm" and "/gmhall": the launcher main window that started
// this process, and its tab count at that moment.
extern HWND g_hLauncherWnd;
extern int g_nLauncherTabs;

// The run mode (0..7) of this process; sets g_hLauncherWnd and g_nLauncherTabs. Gives the
// same answer at every call.
int GetRunMode();

// Starts a program file (this executable when path is null) as a new idle-priority
// process without arguments; does not wait and ignores a failure. FALSE when it failed.
BOOL StartProgramCopy(const wchar_t* path);

class CWayfront3App : public CWinApp {
public:
    CWayfront3App();

    BOOL InitInstance() override;
    int ExitInstance() override;
    BOOL PreTranslateMessage(MSG* msg) override;

    CPrgsDlg m_dlgUpdate;              // the update progress dialog
    ULONG_PTR m_gdiplusToken = 0;
    wchar_t m_szUpdAddr[512] = {};     // download address of the new executable
    vorn::KernelHandle m_hPingStarted;  // set once a ping thread has copied its address
    vorn::KernelHandle m_hPingDone;     // set when a ping's request has finished
    vorn::KernelHandle m_hPingThread;   // the last ping's thread, waited for at the end
    std::wstring m_strPageTitle;       // title of the page the game window shows
    std::wstring m_strPageUrl;         // its current address
    wchar_t m_szUpdKey[64] = {};       // version key the configuration names

private:
    // The game-window roles: the login (with "/newgm"), then the game frame and its view.
    BOOL StartGameWindow(int mode);
    // Downloads, verifies and swaps in the new executable, starts it and records the
    // time; TRUE when this process should end.
    bool FinishUpdate();
    // Sets the browser cache limit and runs the launcher main window modally as the
    // application's main window.
    // afterShown: run once the launcher window is on screen (null: nothing).
    void RunLauncherWindow(std::function<void()> afterShown);

    CWayfront3Dlg* m_pLauncher = nullptr;  // the launcher main window while it runs
};

CWayfront3App* GetWayfrontApp();
