// The tab strip in the caption band and the tab windows under it: which one shows, the
// strip's mouse forms (hover, press, close box, tool tip) and closing a tab.
#include "launcher/Wayfront3Dlg.h"

#include <commctrl.h>

#include <algorithm>

#include "launcher/MainWindowRules.h"
#include "launcher/Wayfront3DlgParts.h"
#include "skin/MessageBox.h"
#include "skin/SkinImage.h"

#ifndef ILD_SCALE
#define ILD_SCALE 0x2000
#endif

using namespace vorn::launcher;
using namespace vorn::launcher::window;

namespace {

// Rows painted through the buffer at a time: 128 rows of a maximised window are 640 KiB.
constexpr int kPaintBandRows = 128;

void ShowTip(CToolTipCtrl& tip, BOOL active) {
    if (tip.m_hWnd != nullptr) SendMessageW(tip.m_hWnd, TTM_ACTIVATE, active, 0);
}

}  // namespace

bool CWayfront3Dlg::IsPageVisible() const {
    return m_tabs.PageWindow() != nullptr && IsWindowVisible(m_tabs.PageWindow());
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
            const std::wstring& text = m_tabs.Titles()[static_cast<size_t>(i)];
            DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &title, DT_SINGLELINE);
        }
        SetWindowOrgEx(dc, 0, 0, nullptr);
        BitBlt(target, area.left, top, width, std::min(bandRows, static_cast<int>(area.bottom) - top), dc, 0, 0,
               SRCCOPY);
    }
    if (oldFont != nullptr) SelectObject(dc, oldFont);
}


void CWayfront3Dlg::ShowTab(HWND window) {
    for (HWND tab : TabWindows()) {
        if (tab != window) ShowWindow(tab, SW_HIDE);
    }
    if (window == nullptr) return;
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const RECT at = ToRECT(GameWindowRect(client.right, client.bottom));
    MoveWindow(window, at.left, at.top, at.right - at.left, at.bottom - at.top, FALSE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    if (IsPageVisible()) ShowWindow(m_tabs.PageWindow(), SW_HIDE);
}

void CWayfront3Dlg::NextTab() {
    if (TabCount() == 0 || !IsWindowVisible(m_hWnd) || IsIconic(m_hWnd)) return;
    const Selection next = NextTabSelection(m_nCurTab, TabCount(), IsPageVisible());
    m_nCurTab = next.selected;
    for (const Rect& r : next.repaint) Repaint(r);
    ShowTab(TabWindows()[static_cast<size_t>(m_nCurTab)]);
}

void CWayfront3Dlg::SelectTabAt(POINT point) {
    StripHover hover = Hover();
    const Selection selection = SelectAt(hover, point.x, point.y, m_nCurTab, TabCount(), IsPageVisible());
    SetHover(hover);
    m_nCurTab = selection.selected;
    if (selection.show) ShowTab(TabWindows()[static_cast<size_t>(m_nCurTab)]);
    for (const Rect& r : selection.repaint) Repaint(r);
}

void CWayfront3Dlg::CloseTab(int tab) {
    if (tab < 0 || tab >= TabCount()) return;
    StripHover hover = Hover();
    if (TabCount() < 2) {
        // Closing the last tab is closing the launcher, with its question.
        Repaint(CloseBoxRect(tab));
        ResetHover(hover);
        SetHover(hover);
        OnCancel();
        return;
    }
    const HWND window = TabWindows()[static_cast<size_t>(tab)];
    const std::wstring question = L"确定要退出账号：" + m_tabs.Titles()[static_cast<size_t>(tab)] + L" ?";
    const int answer = RunModal([&] { return ShowMessage(4, kTitle, question.c_str(), m_hWnd); });
    // Windows may have arrived or gone while the question was open: the tab is found again
    // by its window.
    const int found = m_tabs.IndexOf(window);
    hover = Hover();
    ResetHover(hover);
    SetHover(hover);
    if (answer != IDYES || found < 0) {
        Repaint(TabRect(tab));
        return;
    }
    RemoveTab(found);
    // Hidden before it leaves the launcher: a top-level window would show at the screen's
    // corner until its process ends.
    ShowWindow(window, SW_HIDE);
    SetParent(window, nullptr);
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

void CWayfront3Dlg::RemoveTab(int tab) {
    if (tab < 0 || tab >= TabCount()) return;
    const int selected = m_nCurTab;
    m_tabs.RemoveTab(tab);
    StripHover hover = Hover();
    ResetHover(hover);
    SetHover(hover);
    if (TabCount() > 0) {
        m_nCurTab = SelectionAfterRemove(tab, selected, TabCount());
        // Only the selected tab's own end changes what shows.
        if (tab == selected) ShowTab(TabWindows()[static_cast<size_t>(m_nCurTab)]);
    } else {
        m_nCurTab = 0;
    }
    Repaint(StripRectAfterClose(TabCount()));
}

StripHover CWayfront3Dlg::Hover() const {
    return StripHover{m_nHotTab, m_nCloseState, m_bTipActive != FALSE, m_bTracking != FALSE};
}

void CWayfront3Dlg::SetHover(const StripHover& hover) {
    m_nHotTab = hover.hotTab;
    m_nCloseState = hover.closeState;
    m_bTipActive = hover.tipActive;
    m_bTracking = hover.tracking;
}

void CWayfront3Dlg::Repaint(const Rect& rect) {
    const RECT r = ToRECT(rect);
    InvalidateRect(m_hWnd, &r, TRUE);  // the strip is painted with the background
}

void CWayfront3Dlg::Apply(const StripEffects& effects) {
    if (effects.tipTab >= 0 && effects.tipTab < TabCount()) {
        m_tip.UpdateTipText(m_tabs.Titles()[static_cast<size_t>(effects.tipTab)].c_str(), this, 0);
        ShowTip(m_tip, TRUE);
    }
    if (effects.tipDeactivate) ShowTip(m_tip, FALSE);
    for (const Rect& r : effects.repaint) Repaint(r);
    if (effects.trackLeave) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hWnd, 0};
        m_bTracking = TrackMouseEvent(&track);
    }
}

LRESULT CWayfront3Dlg::OnNcHitTestStrip(WPARAM wParam, LPARAM lParam) {
    const LRESULT base = CDlgEx::WindowProc(WM_NCHITTEST, wParam, lParam);
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ScreenToClient(m_hWnd, &point);
    StripHover hover = Hover();
    const StripEffects effects =
        HoverAt(hover, point.x, point.y, TabCount(), GetKeyState(VK_LBUTTON) < 0, base == HTCAPTION);
    SetHover(hover);
    Apply(effects);
    return base;
}

BOOL CWayfront3Dlg::OnStripButton(UINT msg, POINT point) {
    if (!InStripBand(point.x, point.y, TabCount())) return FALSE;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_NCLBUTTONDOWN:
        SelectTabAt(point);
        break;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP: {
        const int tab = TabAt(point.x);
        if (InCloseBox(point.x, point.y, tab)) CloseTab(tab);
        break;
    }
    case WM_MBUTTONUP:
    case WM_NCMBUTTONUP:
        CloseTab(TabAt(point.x));
        break;
    default:  // double-clicks on a tab do nothing
        break;
    }
    return TRUE;
}
