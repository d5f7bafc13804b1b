#include "web/MainFrame.h"

#include "common/GameMessages.h"
#include "hotkeys/HotKeyFormat.h"
#include "hotkeys/HotKeys.h"
#include "sound/SoundMute.h"
#include "web/FavDlg.h"
#include "web/GameProcess.h"
#include "web/GmWndView.h"

namespace {

using vorn::messages::kOwnMessageMarker;
constexpr WPARAM kCtrlD = 4;
constexpr UINT kScanCodeD = 0x0020;

// Each game process keeps its own copy of the hot keys.
vorn::HotKeySet g_hotKeys;

// The captions of the browser's script message boxes, in the order they are looked for.
constexpr const wchar_t* kScriptBoxTitles[] = {L"来自网页的消息", L"Windows Internet Explorer",
                                               L"Microsoft Internet Explorer"};

bool IsPlainF5(const vorn::HotKey& key) { return key.code == VK_F5 && key.modifiers == 0; }

}  // namespace

namespace vorn {
void ReadGameHotKeys() { g_hotKeys = ReadHotKeySet(); }
}  // namespace vorn

BOOL CMainFrame::PreCreateWindow(CREATESTRUCTW& cs) {
    if (!CFrameWnd::PreCreateWindow(cs)) return FALSE;
    cs.hMenu = nullptr;
    cs.cx = 10;
    cs.cy = 10;
    return TRUE;
}

int CMainFrame::OnCreate(LPCREATESTRUCTW cs) {
    SetWindowLongW(m_hWnd, GWL_STYLE, GetWindowLongW(m_hWnd, GWL_STYLE) & ~(WS_CAPTION | WS_THICKFRAME));
    const LONG exStyle = GetWindowLongW(m_hWnd, GWL_EXSTYLE) & ~(WS_EX_CLIENTEDGE | WS_EX_APPWINDOW);
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_TOOLWINDOW);
    if (CFrameWnd::OnCreate(cs) == -1) return -1;
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE);
    const HWND launcher = vorn::GetGameProcess().launcherWnd;
    if (IsWindow(launcher)) {
        // Announced before the move, so the launcher knows the window that arrives.
        const LPARAM isHall = g_strGameUrl == vorn::GameHallUrl() ? 1 : 0;
        PostMessageW(launcher, vorn::messages::kWindowArrived, reinterpret_cast<WPARAM>(m_hWnd), isHall);
        // A window put into another is made a child first: one that is not confuses the
        // parent's dialog manager, whose focus search on activation then never ends.
        SetWindowLongW(m_hWnd, GWL_STYLE, (GetWindowLongW(m_hWnd, GWL_STYLE) & ~WS_POPUP) | WS_CHILD);
        SetParent(m_hWnd, launcher);
    }
    vorn::ReadGameHotKeys();
    SetTimer(m_hWnd, kTimerLauncherWatch, 800, nullptr);
    return 0;
}

LRESULT CMainFrame::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER: {
        const LRESULT result = CFrameWnd::WindowProc(msg, wParam, lParam);
        OnTimer(wParam);
        return result;
    }
    case vorn::messages::kSoundState:
        vorn::OnSoundStateMessage(static_cast<int>(wParam));
        return 0;
    case vorn::messages::kGameReloadHotKeys:
        vorn::ReadGameHotKeys();
        return 0;
    case WM_MOUSEACTIVATE:
        SetTimer(m_hWnd, kTimerRaiseLauncher, 10, nullptr);
        break;
    default:
        break;
    }
    return CFrameWnd::WindowProc(msg, wParam, lParam);
}

void CMainFrame::OnTimer(UINT_PTR id) {
    const HWND launcher = vorn::GetGameProcess().launcherWnd;
    switch (id) {
    case kTimerLauncherWatch:
        if (!IsWindow(launcher)) PostQuitMessage(0);
        break;
    case kTimerScriptBox:
        KillTimer(m_hWnd, kTimerScriptBox);
        for (const wchar_t* title : kScriptBoxTitles) {
            if (HWND box = FindWindowW(L"#32770", title)) {
                ::DestroyWindow(box);
                break;
            }
        }
        break;
    case kTimerRaiseLauncher: {
        KillTimer(m_hWnd, kTimerRaiseLauncher);
        // The whole launcher comes to the front of the z-order, without taking the focus
        // from the game.
        const DWORD launcherThread = GetWindowThreadProcessId(launcher, nullptr);
        const DWORD foregroundThread = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
        AttachThreadInput(launcherThread, foregroundThread, TRUE);
        SetWindowPos(launcher, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
        SetWindowPos(launcher, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
        AttachThreadInput(launcherThread, foregroundThread, FALSE);
        break;
    }
    default:
        break;
    }
}

BOOL CMainFrame::PreTranslateMessage(MSG* msg) {
    const HWND launcher = vorn::GetGameProcess().launcherWnd;
    // The window-switch key, judged as the launcher judges it in its own windows (a game
    // window counts no tabs: the boss and sound keys are the launcher's hook's).
    const vorn::KeyPressContext context{false, 0, false};
    const int vk = static_cast<int>(msg->wParam);
    if (vorn::MayBeHotKey(g_hotKeys, msg->message, vk, context) &&
        vorn::HotKeyRoleOf(g_hotKeys, msg->message, vk, msg->lParam, vorn::CurrentHotKeyModifiers(), context) ==
            vorn::HotKeyRole::kSwitch) {
        PostMessageW(launcher, msg->message, msg->wParam, msg->lParam);
        return TRUE;
    }
    if (msg->message == WM_CHAR && msg->wParam == kCtrlD && HIWORD(msg->lParam) == kScanCodeD) {
        const vorn::GameProcess& process = vorn::GetGameProcess();
        CFavDlg favorites(process.pageTitle != nullptr ? *process.pageTitle : std::wstring(),
                          process.pageUrl != nullptr ? *process.pageUrl : std::wstring(), CWnd::FromHandle(launcher));
        favorites.DoModal();
        return TRUE;
    }
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_F5) {
        // F5 as the boss or sound key belongs to the launcher; its own refresh command
        // still reloads.
        if ((IsPlainF5(g_hotKeys.boss) || IsPlainF5(g_hotKeys.sound)) && msg->lParam != kOwnMessageMarker) return TRUE;
        if (g_pGameView != nullptr) {
            if (IWebBrowser2* browser = g_pGameView->GetBrowser()) browser->Refresh();
        }
        return TRUE;
    }
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == SC_CLOSE) {
        SetTimer(m_hWnd, kTimerScriptBox, 130, nullptr);
    }
    return CFrameWnd::PreTranslateMessage(msg);
}
