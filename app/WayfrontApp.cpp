#include "app/WayfrontApp.h"

#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "common/StartProcess.h"
#include "common/BuildSettings.h"
#include "common/FileReplace.h"
#include "common/GameMessages.h"
#include "app/CounterPing.h"
#include "app/CrashDump.h"
#include "app/Install.h"
#include "common/Locations.h"
#include "common/RunMode.h"
#include "common/Settings.h"
#include "common/ModulePath.h"
#include "common/PathRules.h"
#include "launcher/Wayfront3Dlg.h"
#include "maintenance/CacheClear.h"
#include "online/UpdateCheck.h"
#include "framework/FrameWnd.h"
#include "framework/OleInit.h"
#include "skin/MessageBox.h"
#include "online/DownGameDlg.h"
#include "web/GameProcess.h"
#include "web/GmWndView.h"
#include "web/LoginBkDlg.h"
#include "web/MainFrame.h"
#include "common/ServiceAddress.h"

HWND g_hLauncherWnd = nullptr;
int g_nLauncherTabs = 0;

namespace {

// A finished ping's thread has only its own end left to do.
constexpr DWORD kPingThreadEndWaitMs = 5000;

// The flat GDI+ start-up interface, declared here to keep the C++ wrapper headers out.
struct GdiplusStartupInput {
    UINT32 GdiplusVersion;
    void* DebugEventCallback;
    BOOL SuppressBackgroundThread;
    BOOL SuppressExternalCodecs;
};
extern "C" int WINAPI GdiplusStartup(ULONG_PTR* token, const GdiplusStartupInput* input, void* output);
extern "C" void WINAPI GdiplusShutdown(ULONG_PTR token);

std::u16string UpperCased(std::wstring text) {
    if (!text.empty()) CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return vorn::ToU16(text);
}

}  // namespace

int GetRunMode() {
    std::vector<std::u16string> args;
    for (int i = 0; i < __argc && __wargv != nullptr; ++i) {
        args.push_back(vorn::ToU16(__wargv[i] != nullptr ? __wargv[i] : L""));
    }
    wchar_t exePath[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, exePath, MAX_PATH);
    const vorn::RunModeChoice choice = vorn::ChooseRunMode(args, UpperCased(exePath), UpperCased(vorn::DataFolderPath()));
    if (choice.mode == vorn::MODE_NEWGM || choice.mode == vorn::MODE_GMHALL) {
        // Handles travel as 32-bit decimal numbers; sign extension gives the handle back.
        g_hLauncherWnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(choice.launcherWnd));
    }
    if (choice.mode == vorn::MODE_NEWGM) g_nLauncherTabs = choice.launcherTabs;
    return choice.mode;
}

BOOL StartProgramCopy(const wchar_t* path) {
    std::wstring program = path != nullptr ? std::wstring(path) : vorn::GetModulePath(nullptr);
    if (program.empty()) return FALSE;
    return vorn::StartProcess(nullptr, vorn::ToWide(vorn::QuotedProgramPath(vorn::ToU16(program))), nullptr);
}

CWayfront3App::CWayfront3App() = default;

CWayfront3App* GetWayfrontApp() { return static_cast<CWayfront3App*>(AfxGetApp()); }

BOOL CWayfront3App::InitInstance() {
    SetUnhandledExceptionFilter(&vorn::CrashDumpFilter);

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    CWinApp::InitInstance();

    const int mode = GetRunMode();
    // A game process lives inside its launcher's window: with no launcher there is
    // nothing to show, so it ends before it starts GDI+, OLE or the browser control.
    if ((mode == vorn::MODE_NEWGM || mode == vorn::MODE_GMHALL) && !IsWindow(g_hLauncherWnd)) return FALSE;

    m_hPingStarted.Attach(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    m_hPingDone.Attach(CreateEventW(nullptr, TRUE, FALSE, nullptr));

    // The skinned boxes of the one-shot runs draw PNG pictures, which need GDI+: start it
    // before them.
    GdiplusStartupInput gdiplus{1, nullptr, FALSE, FALSE};
    GdiplusStartup(&m_gdiplusToken, &gdiplus, nullptr);

    // Nothing is written, run or loaded in the data folder while anyone but administrators
    // could change it (a standard user may have made it first, or made it a junction). A game
    // process leaves that to its launcher, which checked before it started it.
    if (mode != vorn::MODE_NEWGM && mode != vorn::MODE_GMHALL && !vorn::SecureDataFolder(false)) {
        ShowMessage(0, vorn::build::kWindowTitle,
                    L"数据文件夹的权限无法修复，登录器不能继续运行。\r\n请删除该文件夹后重新安装。", nullptr);
        return FALSE;
    }

    switch (mode) {
    case vorn::MODE_UNINSTALL:
        if (ShowMessage(4, vorn::build::kWindowTitle, L"确定要移除 VornMirelund登录器吗？", nullptr) == IDYES) {
            vorn::Uninstall();
            WaitForSingleObject(m_hPingDone.get(), INFINITE);
        }
        return FALSE;
    case vorn::MODE_UPDATE:
    case vorn::MODE_INSTALL:
    case vorn::MODE_SHORTCUT: {
        // One updater at a time: a second one goes on without updating rather than
        // downloading over the first one's files.
        vorn::MachineLock updating(vorn::kUpdateLockName, 0);
        if (!updating.held()) break;
        // The forced download runs whatever the check found.
        const bool forced = mode == vorn::MODE_UPDATE;
        if ((vorn::CheckForUpdate(forced, mode, m_szUpdAddr, m_szUpdKey) != 0 || forced) && FinishUpdate()) {
            return FALSE;
        }
        break;
    }
    default:
        break;
    }

    switch (mode) {
    case vorn::MODE_INSTALL:
        if (!vorn::InstallToDataFolder()) {
            // Nothing new is in place: no install to count or report.
            ShowMessage(0, vorn::build::kWindowTitle,
                        L"安装失败：登录器未能复制到数据文件夹。\r\n如果登录器正在运行，请先退出它再安装。", nullptr);
            return FALSE;
        }
        vorn::WriteDisableDays();
        vorn::CountRunAndPing(vorn::COUNTER_INSTALL);
        WaitForSingleObject(m_hPingDone.get(), INFINITE);
        return FALSE;
    case vorn::MODE_PARTNER:
        ShellExecuteW(nullptr, L"open", vorn::PartnerHome().c_str(), nullptr, nullptr, SW_SHOWMAXIMIZED);
        vorn::CountRunAndPing(vorn::COUNTER_PARTNER);
        WaitForSingleObject(m_hPingDone.get(), INFINITE);
        return FALSE;
    case vorn::MODE_SHORTCUT:
    case vorn::MODE_INSTALLED:
        // Counted once the window is on screen; the report goes on its own thread beside it.
        RunLauncherWindow([] { vorn::CountRunAndPing(vorn::COUNTER_GAME); });
        return FALSE;
    case vorn::MODE_UPDATE:
        RunLauncherWindow(nullptr);
        return FALSE;
    case vorn::MODE_NEWGM:
    case vorn::MODE_GMHALL:
        return StartGameWindow(mode);
    default:
        return FALSE;
    }
}

BOOL CWayfront3App::StartGameWindow(int mode) {
    vorn::GameProcess& process = vorn::GetGameProcess();
    process.launcherWnd = g_hLauncherWnd;
    process.launcherTabs = g_nLauncherTabs;
    process.pageTitle = &m_strPageTitle;
    process.pageUrl = &m_strPageUrl;
    process.startProgram = &StartProgramCopy;
    process.showGameDownload = [](const wchar_t* name, HWND owner) {
        CDownGameDlg dialog(name != nullptr ? name : L"", CWnd::FromHandle(owner), &StartProgramCopy);
        dialog.DoModal();
    };

    vorn::SetBrowserCacheLimit();
    if (!AfxOleInit()) {
        ShowMessage(0, vorn::build::kWindowTitle, L"初始化OLE库失败", nullptr);
        return FALSE;
    }
    if (mode == vorn::MODE_NEWGM) {
        CLoginBkDlg login(CWnd::FromHandle(g_hLauncherWnd), vorn::LoginPageUrl());
        // Anything but a chosen game (a cancel, or a login that could not even be shown)
        // tells the launcher the tab is not coming.
        if (login.DoModal() != IDOK) {
            PostMessageW(g_hLauncherWnd, WM_SYSCOMMAND, SC_CLOSE, vorn::messages::kOwnMessageMarker);
            return FALSE;
        }
    }
    constexpr UINT kGameWindowTemplate = 128;
    AddDocTemplate(CSingleDocTemplate::New<CGmWndDoc, CMainFrame, CGmWndView>(kGameWindowTemplate));
    CCommandLineInfo commandLine;
    ParseCommandLine(commandLine);
    if (!ProcessShellCommand(commandLine) || m_pMainWnd == nullptr) return FALSE;
    SetWindowTextW(m_pMainWnd->m_hWnd, vorn::build::kWindowTitle);
    // The game window shows itself inside the launcher once its page has arrived.
    ShowWindow(m_pMainWnd->m_hWnd, SW_HIDE);
    UpdateWindow(m_pMainWnd->m_hWnd);
    return TRUE;
}

void CWayfront3App::RunLauncherWindow(std::function<void()> afterShown) {
    vorn::SetBrowserCacheLimit();
    CWayfront3Dlg dialog;
    dialog.m_afterShown = std::move(afterShown);
    m_pMainWnd = &dialog;
    m_pLauncher = &dialog;
    dialog.DoModal();
    m_pLauncher = nullptr;
    m_pMainWnd = nullptr;
}

BOOL CWayfront3App::PreTranslateMessage(MSG* msg) {
    // Before any window of the launcher (a pop-up's dialog navigation would dispatch it).
    if (m_pLauncher != nullptr && m_pLauncher->SwallowsHotKeyPress(*msg)) return TRUE;
    return CWinApp::PreTranslateMessage(msg);
}

bool CWayfront3App::FinishUpdate() {
    if (!vorn::RunUpdateDownload(m_dlgUpdate, m_szUpdAddr, m_szUpdKey)) return false;
    StartProgramCopy(nullptr);
    vorn::WriteUpdateTime();
    return true;
}

int CWayfront3App::ExitInstance() {
    if (m_hPingThread) {
        // A ping that has finished is a thread on its way out: the process ends after it has
        // left (under Wine an exit that races a thread's own end can bring the process down
        // with a segmentation fault). One still waiting for the network is not waited for.
        if (m_hPingDone && WaitForSingleObject(m_hPingDone.get(), 0) == WAIT_OBJECT_0) {
            WaitForSingleObject(m_hPingThread.get(), kPingThreadEndWaitMs);
        }
        m_hPingThread.Close();
    }
    m_hPingStarted.Close();
    m_hPingDone.Close();
    if (m_gdiplusToken != 0) GdiplusShutdown(m_gdiplusToken);
    m_gdiplusToken = 0;
    return CWinApp::ExitInstance();
}
