// The launcher main window itself: creation and end, showing and hiding, painting,
// layout and the dispatch of its messages to the other files' handlers.
#include "launcher/Wayfront3Dlg.h"

#include <commctrl.h>

#include <algorithm>

#include "hotkeys/SettingDlg.h"
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
// Rows painted through the buffer at a time: 128 rows of a maximised window are 640 KiB.
constexpr int kPaintBandRows = 128;

void BuildStripList(CImageList& list, UINT pictureId, int frames) {
    HBITMAP strip = LoadPicture(pictureId);
    int width = 0, height = 0;
    CBitmap holder(strip);
    if (!holder.GetSize(&width, &height) || width < frames) return;
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

    m_children.SetWindow(m_hWnd);
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
    HBITMAP minimize = LoadPicture(kMinimizePng), close = LoadPicture(kClosePng);
    SetSkin(LoadPicture(kMainBackPng), 0, 1, close, minimize, LoadPicture(kMaximizePng), LoadPicture(kRestorePng));
    if (minimize != nullptr) DeleteObject(minimize);  // the close and minimise strips stay ours
    if (close != nullptr) DeleteObject(close);

    for (auto [button, picture] : {std::pair{&m_btnHide, kHidePng}, std::pair{&m_btnSound, kSoundOnPng},
                                   std::pair{&m_btnMenu, kMenuPng}}) {
        HBITMAP strip = LoadPicture(picture);
        button->SetBitmap(strip, 0);
        if (strip != nullptr) DeleteObject(strip);
    }
    HBITMAP link = LoadPicture(kLinkPng);
    m_stcOtherAccount.SetImage(link);
    if (link != nullptr) DeleteObject(link);

    BuildStripList(m_imgTabs, kTabsPng, 3);
    BuildStripList(m_imgTabClose, kTabClosePng, 3);

    if (m_tip.Create(this, TTS_ALWAYSTIP)) {
        m_tip.AddTool(this, LPSTR_TEXTCALLBACKW, 0);
        m_tip.SetDelayTime(TTDT_AUTOMATIC, 500);
    }
    if (m_afterShown) m_afterShown();
}

void CWayfront3Dlg::BringToFront() {
    HWND foreground = GetForegroundWindow();
    const DWORD ours = GetCurrentThreadId();
    const DWORD theirs = foreground != nullptr ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    const bool attach = theirs != 0 && theirs != ours && AttachThreadInput(ours, theirs, TRUE);
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(m_hWnd, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(m_hWnd);
    if (attach) AttachThreadInput(ours, theirs, FALSE);
}

void CWayfront3Dlg::ExitLauncher() {
    // A login still in progress is killed; the other game processes end with their windows.
    m_children.TerminatePending();
    m_children.Clear();
    // Answers still on their way find nothing to act on.
    m_noticeJob.Abandon();
    m_updateJob.Abandon();
    RemoveKeyboardHook();
    for (HWND window : m_arrTabWnd) {
        SetParent(window, nullptr);
        ShowWindow(window, SW_HIDE);
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    // Closed once: a second exit request finds no tabs.
    m_arrTabWnd.clear();
    m_arrTabTitle.clear();
    RemoveTrayIcon();
    PostQuitMessage(0);
}

void CWayfront3Dlg::ToggleHide() {
    if (m_hWnd == nullptr) return;
    if (IsWindowVisible(m_hWnd)) {
        ShowWindow(m_hWnd, SW_HIDE);
        if (m_dlgAddAcc.m_hWnd != nullptr) ShowWindow(m_dlgAddAcc.m_hWnd, SW_HIDE);
        if (m_dlgNotice.m_hWnd != nullptr) ShowWindow(m_dlgNotice.m_hWnd, SW_HIDE);
        if (m_pOpenSettingsDlg != nullptr && m_pOpenSettingsDlg->m_hWnd != nullptr &&
            IsWindowVisible(m_pOpenSettingsDlg->m_hWnd)) {
            m_pOpenSettingsDlg->EndDialog(IDCANCEL);  // nothing saved
        }
    } else {
        ShowWindow(m_hWnd, SW_RESTORE);
        BringToFront();
    }
}

void CWayfront3Dlg::OnOK() {}

void CWayfront3Dlg::OnCancel() {
    if (ShowMessage(4, kTitle, L"窗口即将关闭，确定要退出游戏？", m_hWnd) == IDYES) ExitLauncher();
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
    for (HWND window : m_arrTabWnd) PostMessageW(window, kMsgSoundState, m_bMute ? 1 : 0, 0);
    if (m_bMute != m_bShownMute) {
        m_bShownMute = m_bMute;
        HBITMAP strip = LoadPicture(m_bMute ? kSoundMutedPng : kSoundOnPng);
        m_btnSound.SetBitmap(strip, 0);
        if (strip != nullptr) DeleteObject(strip);
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

void CWayfront3Dlg::PaintWindow(HDC target) {
    RECT area{};
    GetClientRect(m_hWnd, &area);
    // Only the part being painted (a tab's hover look repaints the strip, not the whole,
    // often maximised, window), through a buffer of a band of rows: each band reaches the
    // screen whole, and a maximised window's paint no longer needs megabytes at once.
    RECT clip{};
    if (GetClipBox(target, &clip) != ERROR && !IntersectRect(&area, &area, &clip)) return;
    const int width = area.right - area.left;
    const int bandRows = std::min<int>(kPaintBandRows, area.bottom - area.top);
    if (width <= 0 || bandRows <= 0) return;
    CMemoryCanvas canvas(target, width, bandRows);
    if (!canvas.ok()) return;
    HDC dc = canvas.dc();
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = font != nullptr ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    for (int top = area.top; top < area.bottom; top += bandRows) {
        // Drawing keeps window coordinates; what falls outside the band is cut off.
        SetWindowOrgEx(dc, area.left, top, nullptr);
        PaintSkin(dc);
        for (int i = 0; i < TabCount(); ++i) {
            const Rect tab = TabRect(i);
            if (tab.bottom <= top || tab.top >= top + bandRows) continue;
            ImageList_DrawEx(m_imgTabs.GetSafeHandle(), TabImage(i, m_nCurTab, m_nHotTab), dc, tab.left, tab.top,
                             tab.Width(), tab.Height(), CLR_DEFAULT, CLR_DEFAULT, ILD_TRANSPARENT | ILD_SCALE);
            if (i == m_nHotTab && m_nCloseState >= 0) {
                const Rect box = CloseBoxRect(i);
                ImageList_DrawEx(m_imgTabClose.GetSafeHandle(), m_nCloseState, dc, box.left, box.top, box.Width(),
                                 box.Height(), CLR_DEFAULT, CLR_DEFAULT, ILD_TRANSPARENT | ILD_SCALE);
            }
            RECT title = ToRECT(TitleRect(i));
            const std::wstring& text = m_arrTabTitle[static_cast<size_t>(i)];
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &title, DT_SINGLELINE);
        }
        SetWindowOrgEx(dc, 0, 0, nullptr);
        BitBlt(target, area.left, top, width, std::min(bandRows, static_cast<int>(area.bottom) - top), dc, 0, 0,
               SRCCOPY);
    }
    if (oldFont != nullptr) SelectObject(dc, oldFont);
}

void CWayfront3Dlg::OnSize(int cx, int cy) {
    const RECT at = ToRECT(GameWindowRect(cx, cy));
    HWND placed = nullptr;
    if (IsPageVisible()) {
        placed = m_hPageWnd;
    } else if (m_nCurTab >= 0 && m_nCurTab < TabCount()) {
        placed = m_arrTabWnd[static_cast<size_t>(m_nCurTab)];
    }
    if (placed != nullptr) MoveWindow(placed, at.left, at.top, at.right - at.left, at.bottom - at.top, FALSE);
}

LRESULT CWayfront3Dlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
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
        OnSize(cx, cy);
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
    case kMsgWindowArrived:
        OnWindowArrived(reinterpret_cast<HWND>(wParam), lParam);
        return 0;
    case kMsgReloadHotKeys:
        LoadHotKeys();
        return 0;
    case kMsgTrayCallback:
        if (lParam == WM_LBUTTONUP) {
            ToggleHide();
        } else if (lParam == WM_RBUTTONUP) {
            PostMessageW(m_hWnd, kMsgShowTrayMenu, 0, 0);
        }
        return 0;
    case kMsgShowTrayMenu:
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
    case kMsgAddAccountAnswer:
        OnAddAccountAnswer(wParam);
        return 0;
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}
