// The launcher main window itself: creation and end, showing and hiding, painting,
// layout and the dispatch of its messages to the other files' handlers.
#include "launcher/Wayfront3Dlg.h"

#include <commctrl.h>

#include <algorithm>

#include "hotkeys/SettingDlg.h"
#include "common/GameMessages.h"
#include "launcher/LauncherMessages.h"
#include "launcher/MainWindowRules.h"
#include "launcher/Wayfront3DlgParts.h"
#include "skin/MessageBox.h"

#ifndef ILD_SCALE
#define ILD_SCALE 0x2000
#endif

using namespace vorn::launcher;
using namespace vorn::launcher::window;

namespace {

// Fills an image list with the frames of a strip picture of `frames` equal frames.
void BuildStripList(CImageList& list, UINT pictureId, int frames) {
    const CBitmap strip = LoadPicture(pictureId);
    int width = 0, height = 0;
    if (!strip.GetSize(&width, &height) || width < frames) return;
    if (list.Create(width / frames, height, ILC_COLOR24 | ILC_MASK, 0, 0)) list.AddMasked(strip, kSkinKeyColour);
}

}  // namespace

CWayfront3Dlg::CWayfront3Dlg(CWnd* parent) : CDlgEx(kTemplate, parent) {
    m_hIcon = LoadIconW(AfxGetInstanceHandle(), MAKEINTRESOURCEW(kIconId));
}

CWayfront3Dlg::~CWayfront3Dlg() {
    // A window that ended without ExitLauncher (a failed start) leaves nothing behind.
    RemoveKeyboardHook();
    if (m_dlgAddAcc.m_hWnd != nullptr) m_dlgAddAcc.DestroyWindow();
    RemoveTrayIcon();
}

void CWayfront3Dlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, kHideId, m_btnHide);
    DDX_Control(dx, kMenuId, m_btnMenu);
    DDX_Control(dx, kSoundId, m_btnSound);
    DDX_Control(dx, kOtherAccountId, m_stcOtherAccount);
}

BOOL CWayfront3Dlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    m_osvi.dwOSVersionInfoSize = sizeof m_osvi;
    GetVersionExW(&m_osvi);

    SetWindowLongW(m_hWnd, GWL_STYLE, GetWindowLongW(m_hWnd, GWL_STYLE) | WS_CLIPCHILDREN);
    SetTitle(kTitle);
    UseBoxCaptionLayout();
    m_bResizable = 1;

    // Practically invisible until the first game window arrives, while the login dialog
    // of the first game process (owned by this window) is on screen.
    MoveWindow(m_hWnd, 0, 0, 1, 1, TRUE);

    m_btnMenu.m_crText = RGB(255, 255, 255);
    m_stcOtherAccount.m_crText = RGB(255, 255, 255);
    SetWindowLongW(m_stcOtherAccount.m_hWnd, GWL_STYLE,
                   GetWindowLongW(m_stcOtherAccount.m_hWnd, GWL_STYLE) | SS_NOTIFY);
    m_stcOtherAccount.m_bHandCursor = 1;
    m_stcOtherAccount.m_bUnderline = 1;

    m_tabs.SetWindow(m_hWnd);
    m_uTaskbarCreated = RegisterWindowMessageW(L"TaskbarCreated");
    // Sent by the shell, which may run with lower rights than the launcher.
    if (m_uTaskbarCreated != 0) ChangeWindowMessageFilterEx(m_hWnd, m_uTaskbarCreated, MSGFLT_ALLOW, nullptr);
    LoadHotKeys();
    // The game process and the pictures wait for the window's first showing (FinishStart).
    return TRUE;
}

void CWayfront3Dlg::FinishStart() {
    if (m_bStarted || m_hWnd == nullptr) return;
    m_bStarted = true;
    // First the game process, so that its start overlaps the decoding below.
    StartTabProcess();
    // The keys act on tabs only: nothing is lost while the first one logs in.
    InstallKeyboardHook();

    // The window is resized to its first game window: the skin follows (regions and
    // caption buttons are placed again on every size change).
    const CBitmap minimize = LoadPicture(kMinimizePng), close = LoadPicture(kClosePng);  // copied by SetSkin
    SetSkin(LoadPicture(kMainBackPng).Detach(), 0, 1, close, minimize, LoadPicture(kMaximizePng).Detach(),
            LoadPicture(kRestorePng).Detach());
    for (auto [button, picture] : {std::pair{&m_btnHide, kHidePng}, std::pair{&m_btnSound, kSoundOnPng},
                                   std::pair{&m_btnMenu, kMenuPng}}) {
        const CBitmap strip = LoadPicture(picture);  // each control keeps a copy
        button->SetBitmap(strip, 0);
    }
    const CBitmap link = LoadPicture(kLinkPng);
    m_stcOtherAccount.SetImage(link);

    BuildStripList(m_imgTabs, kTabsPng, 3);
    BuildStripList(m_imgTabClose, kTabClosePng, 3);

    if (m_tip.Create(this, TTS_ALWAYSTIP)) {
        m_tip.AddTool(this, LPSTR_TEXTCALLBACKW, 0);
        m_tip.SetDelayTime(TTDT_AUTOMATIC, 500);
    }
    if (m_afterShown) m_afterShown();
}

void CWayfront3Dlg::ExitLauncher() {
    // From here on nothing is added: a window or an answer still queued finds the launcher
    // on its way out.
    m_bExiting = true;
    // Answers still on their way find nothing to act on.
    m_noticeJob.Abandon();
    m_updateJob.Abandon();
    m_deferredBoxes.clear();
    RemoveKeyboardHook();
    // Every login under way is killed; the other game processes end with their windows.
    // Closed once: a second exit request finds no tabs.
    for (HWND window : m_tabs.EndAll()) {
        ShowWindow(window, SW_HIDE);  // first: a top-level window would show at the corner
        SetParent(window, nullptr);
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    RemoveTrayIcon();
    PostQuitMessage(0);
}

void CWayfront3Dlg::OnOK() {}

void CWayfront3Dlg::OnCancel() {
    const int answer = RunModal([&] { return ShowMessage(4, kTitle, L"窗口即将关闭，确定要退出游戏？", m_hWnd); });
    if (answer == IDYES) ExitLauncher();
}

BOOL CWayfront3Dlg::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case kHideId:
        ToggleHide();
        return TRUE;
    case kMenuId:
        ShowSystemMenu();
        return TRUE;
    case kSoundId:
        m_bMute = !m_bMute;
        return TRUE;
    case kOtherAccountId:
        ShowAddAccountQuestion();
        return TRUE;
    default:
        return CDlgEx::OnCommand(wParam, lParam);
    }
}

void CWayfront3Dlg::PushSoundState() {
    for (HWND window : TabWindows()) PostMessageW(window, vorn::messages::kSoundState, m_bMute ? 1 : 0, 0);
    if (m_bMute != m_bShownMute) {
        m_bShownMute = m_bMute;
        const CBitmap strip(LoadPicture(m_bMute ? kSoundMutedPng : kSoundOnPng));
        m_btnSound.SetBitmap(strip, 0);
        if (m_btnSound.m_hWnd != nullptr) InvalidateRect(m_btnSound.m_hWnd, nullptr, FALSE);
    }
}

void CWayfront3Dlg::FetchNoticeLater() {
    m_noticeJob.Start(m_hWnd, kMsgNoticeReady, [] { return vorn::FetchNotice(); });
}

void CWayfront3Dlg::OnNoticeReady(WPARAM job) {
    auto notice = m_noticeJob.Take(job);
    if (notice && notice->show) m_dlgNotice.CreateAndShow(std::move(*notice));
}

void CWayfront3Dlg::OnSize(int cx, int cy) {
    const RECT at = ToRECT(GameWindowRect(cx, cy));
    HWND placed = nullptr;
    if (IsPageVisible()) {
        placed = m_tabs.PageWindow();
    } else if (m_nCurTab >= 0 && m_nCurTab < TabCount()) {
        placed = TabWindows()[static_cast<size_t>(m_nCurTab)];
    }
    if (placed != nullptr) MoveWindow(placed, at.left, at.top, at.right - at.left, at.bottom - at.top, FALSE);
}

LRESULT CWayfront3Dlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == m_uTaskbarCreated && m_uTaskbarCreated != 0) {
        // The shell restarted without the icons it had: the launcher's comes back.
        if (m_bTrayWanted && !m_bExiting) {
            m_bTrayIcon = false;
            AddTrayIcon();
        }
        return 0;
    }
    switch (msg) {
    case WM_PAINT:
        if (IsIconic(m_hWnd)) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(m_hWnd, &ps);
            RECT client{};
            GetClientRect(m_hWnd, &client);
            DrawIcon(dc, (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2,
                     (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2, m_hIcon);
            EndPaint(m_hWnd, &ps);
            return 0;
        }
        break;
    case WM_QUERYDRAGICON:
        return reinterpret_cast<LRESULT>(m_hIcon);
    case WM_ERASEBKGND:
        PaintWindow(reinterpret_cast<HDC>(wParam));
        return TRUE;
    case WM_SIZE: {
        const int cx = LOWORD(lParam), cy = HIWORD(lParam);
        // A minimised launcher has no room to speak of: the game keeps its page laid out.
        if (wParam != SIZE_MINIMIZED) OnSize(cx, cy);
        const LRESULT result = CDlgEx::WindowProc(msg, wParam, lParam);
        if (cx != m_nLastWidth && m_btnHide.m_hWnd != nullptr) {
            const CaptionControls controls = CaptionControlRects(cx);
            for (auto [control, rect] : {std::pair<CWnd*, Rect>{&m_btnHide, controls.hide},
                                         {&m_btnSound, controls.sound}, {&m_btnMenu, controls.menu},
                                         {&m_stcOtherAccount, controls.link}}) {
                MoveWindow(control->m_hWnd, rect.left, rect.top, rect.Width(), rect.Height(), TRUE);
                InvalidateRect(control->m_hWnd, nullptr, TRUE);
            }
            for (CBtnEx* button : {&m_btnClose, &m_btnMax, &m_btnMin}) {
                if (button->m_hWnd != nullptr) InvalidateRect(button->m_hWnd, nullptr, TRUE);
            }
        }
        if (m_osvi.dwMajorVersion < 6 && cx < m_nLastWidth) {
            // Older systems leave the old top-right corner of the cut window on screen.
            RECT window{};
            GetWindowRect(m_hWnd, &window);
            const RECT corner{window.right - 4, window.top, window.right, window.top + 4};
            RedrawWindow(GetDesktopWindow(), &corner, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
        }
        m_nLastWidth = cx;
        if (m_tip.m_hWnd != nullptr) {
            // The tip's one tool covers the whole window whatever its size.
            TOOLINFOW tool{};
            tool.cbSize = sizeof tool;
            tool.hwnd = m_hWnd;
            tool.uId = 0;
            GetClientRect(m_hWnd, &tool.rect);
            SendMessageW(m_tip.m_hWnd, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&tool));
        }
        return result;
    }
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (pos != nullptr && (pos->flags & SWP_NOSIZE) == 0 && !IsIconic(m_hWnd)) {
            const Size size = MinimumWindowSize(TabCount(), {pos->cx, pos->cy});
            pos->cx = size.cx;
            pos->cy = size.cy;
        }
        break;
    }
    case WM_NCHITTEST:
        return OnNcHitTestStrip(wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_MBUTTONUP: {
        const POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        if (OnStripButton(msg, point)) return 0;
        break;
    }
    case WM_NCLBUTTONDOWN:
    case WM_NCLBUTTONUP:
    case WM_NCLBUTTONDBLCLK:
    case WM_NCMBUTTONUP: {
        POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ScreenToClient(m_hWnd, &point);
        if (OnStripButton(msg, point)) return 0;
        break;
    }
    case WM_MOUSELEAVE:
    case WM_NCMOUSELEAVE: {
        StripHover hover = Hover();
        const StripEffects effects = HoverLeave(hover, msg == WM_MOUSELEAVE);
        SetHover(hover);
        Apply(effects);
        return 0;
    }
    case WM_TIMER:
        if (wParam == kSoundTimer) {
            PushSoundState();
        } else if (wParam == kNoticeTimer) {
            KillTimer(m_hWnd, kNoticeTimer);
            FetchNoticeLater();
            return 0;
        }
        break;
    case WM_COPYDATA:
        return OnCopyData(wParam, lParam);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_CLOSE) {
            // Sent rather than posted (Alt+F4): the same rules as for the queued form.
            MSG sent{m_hWnd, msg, wParam, lParam, 0, {}};
            bool consumed = false;
            HandleQueuedRule(&sent, &consumed);
            if (consumed) return 0;
        }
        break;
    case WM_SHOWWINDOW:
        // Posted: the window shows once this message returns.
        if (wParam != FALSE && !m_bStartPosted) {
            m_bStartPosted = true;
            PostMessageW(m_hWnd, kMsgFinishStart, 0, 0);
        }
        break;
    case kMsgFinishStart:
        FinishStart();
        return 0;
    case kMsgShowDeferredBoxes:
        ShowDeferredBoxes();
        return 0;
    case vorn::messages::kWindowArrived:
        OnWindowArrived(reinterpret_cast<HWND>(wParam), lParam);
        return 0;
    case vorn::messages::kReloadHotKeys:
        LoadHotKeys();
        return 0;
    case vorn::messages::kTrayCallback:
        if (lParam == WM_LBUTTONUP) {
            ToggleHide();
        } else if (lParam == WM_RBUTTONUP) {
            PostMessageW(m_hWnd, vorn::messages::kShowTrayMenu, 0, 0);
        }
        return 0;
    case vorn::messages::kShowTrayMenu:
        ShowTrayMenu();
        return 0;
    case kMsgNoticeReady:
        OnNoticeReady(wParam);
        return 0;
    case kMsgUpdateChecked:
        OnUpdateChecked(wParam);
        return 0;
    case kMsgHotKey:
        OnHotKey(wParam);
        return 0;
    case kMsgChildEnded:
        OnChildEnded(static_cast<unsigned>(wParam));
        return 0;
    case kMsgCacheCleared:
        OnCacheCleared(wParam);
        return 0;
    case vorn::messages::kAddAccountAnswer:
        OnAddAccountAnswer(wParam);
        return 0;
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}
