// The tab strip in the caption band and the tab windows under it: which one shows, the
// strip's mouse forms (hover, press, close box, tool tip) and closing a tab.
#include "launcher/Wayfront3Dlg.h"

#include <commctrl.h>

#include <algorithm>

#include "launcher/MainWindowRules.h"
#include "launcher/Wayfront3DlgParts.h"
#include "skin/MessageBox.h"

using namespace vorn::launcher;
using namespace vorn::launcher::window;

namespace {

void ShowTip(CToolTipCtrl& tip, BOOL active) {
    if (tip.m_hWnd != nullptr) SendMessageW(tip.m_hWnd, TTM_ACTIVATE, active, 0);
}

}  // namespace

bool CWayfront3Dlg::IsPageVisible() const { return m_hPageWnd != nullptr && IsWindowVisible(m_hPageWnd); }

void CWayfront3Dlg::ShowTab(HWND window) {
    for (HWND tab : m_arrTabWnd) {
        if (tab != window) ShowWindow(tab, SW_HIDE);
    }
    if (window == nullptr) return;
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const RECT at = ToRECT(GameWindowRect(client.right, client.bottom));
    MoveWindow(window, at.left, at.top, at.right - at.left, at.bottom - at.top, FALSE);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    if (IsPageVisible()) ShowWindow(m_hPageWnd, SW_HIDE);
}

void CWayfront3Dlg::NextTab() {
    if (m_arrTabWnd.empty() || !IsWindowVisible(m_hWnd) || IsIconic(m_hWnd)) return;
    const Selection next = NextTabSelection(m_nCurTab, TabCount(), IsPageVisible());
    m_nCurTab = next.selected;
    for (const Rect& r : next.repaint) Repaint(r);
    ShowTab(m_arrTabWnd[static_cast<size_t>(m_nCurTab)]);
}

void CWayfront3Dlg::SelectTabAt(POINT point) {
    StripHover hover = Hover();
    const Selection selection = SelectAt(hover, point.x, point.y, m_nCurTab, TabCount(), IsPageVisible());
    SetHover(hover);
    m_nCurTab = selection.selected;
    if (selection.show) ShowTab(m_arrTabWnd[static_cast<size_t>(m_nCurTab)]);
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
    const HWND window = m_arrTabWnd[static_cast<size_t>(tab)];
    const std::wstring question = L"确定要退出账号：" + m_arrTabTitle[static_cast<size_t>(tab)] + L" ?";
    const int answer = ShowMessage(4, kTitle, question.c_str(), m_hWnd);
    // Windows may have arrived while the question was open: find the tab again by its window.
    const auto found = std::find(m_arrTabWnd.begin(), m_arrTabWnd.end(), window);
    hover = Hover();
    ResetHover(hover);
    SetHover(hover);
    if (answer != IDYES || found == m_arrTabWnd.end()) {
        Repaint(TabRect(tab));
        return;
    }
    tab = static_cast<int>(found - m_arrTabWnd.begin());
    m_arrTabWnd.erase(found);
    m_arrTabTitle.erase(m_arrTabTitle.begin() + tab);
    const int selected = SelectionAfterClose(tab, TabCount());
    ShowTab(m_arrTabWnd[static_cast<size_t>(selected)]);
    m_nCurTab = selected;
    SetParent(window, nullptr);
    PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
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
        m_tip.UpdateTipText(m_arrTabTitle[static_cast<size_t>(effects.tipTab)].c_str(), this, 0);
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
