#include "web/LoginDlg.h"

#include <olectl.h>
#include <mshtmdid.h>

#include "web/LoginCommands.h"

namespace {
constexpr COLORREF kSeeThrough = RGB(254, 254, 254);
// The client area the page keeps for its own small buttons, both ends included.
constexpr RECT kReservedArea{480, 0, 529, 31};
}  // namespace

CLoginDlg::CLoginDlg(const std::wstring& url) : CDHtmDlgEx(0, nullptr), m_strUrl(url) {}

bool CLoginDlg::IsInReservedArea(POINT client) {
    return client.x >= kReservedArea.left && client.x <= kReservedArea.right && client.y >= kReservedArea.top &&
           client.y <= kReservedArea.bottom;
}

DHtmlEventMap CLoginDlg::GetDHtmlEventMap() const {
    using vorn::PageEventMatch;
    constexpr DISPID kDown = DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEDOWN;
    constexpr DISPID kUp = DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEUP;
    constexpr DISPID kMove = DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEMOVE;
    static const DHtmlEventMapEntry kEntries[] = {
        {PageEventMatch::ByTag, u"body", kDown, DHtmlHandler(&CLoginDlg::OnDragMouseDown)},
        {PageEventMatch::ByTag, u"body", kUp, DHtmlHandler(&CLoginDlg::OnDragMouseUp)},
        {PageEventMatch::ByTag, u"body", kMove, DHtmlHandler(&CLoginDlg::OnDragMouseMove)},
        {PageEventMatch::ByTag, u"td", kDown, DHtmlHandler(&CLoginDlg::OnDragMouseDown)},
        {PageEventMatch::ByTag, u"td", kUp, DHtmlHandler(&CLoginDlg::OnDragMouseUp)},
        {PageEventMatch::ByTag, u"td", kMove, DHtmlHandler(&CLoginDlg::OnDragMouseMove)},
        {PageEventMatch::ByTag, u"div", kDown, DHtmlHandler(&CLoginDlg::OnDragMouseDown)},
        {PageEventMatch::ByTag, u"div", kUp, DHtmlHandler(&CLoginDlg::OnDragMouseUp)},
        {PageEventMatch::ByTag, u"div", kMove, DHtmlHandler(&CLoginDlg::OnDragMouseMove)},
    };
    return {kEntries, std::size(kEntries)};
}

BOOL CLoginDlg::OnInitDialog() {
    CDHtmDlgEx::OnInitDialog();  // the control, silent
    LONG exStyle = GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
    SetLayeredWindowAttributes(m_hWnd, kSeeThrough, 0, LWA_COLORKEY);
    // No taskbar button of its own: the background stands for the login.
    exStyle = GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, (exStyle & ~WS_EX_APPWINDOW) | WS_EX_TOOLWINDOW);
    Navigate(m_strUrl.c_str());
    return FALSE;
}

void CLoginDlg::OnNavigateComplete(IDispatch* disp, const wchar_t* url) {
    CDHtmDlgEx::OnNavigateComplete(disp, url);
    ShowWindow(m_hWnd, SW_SHOW);
    RECT client{};
    GetClientRect(m_hWnd, &client);
    if (HWND first = FindWindowExW(m_hWnd, nullptr, nullptr, nullptr)) {
        MoveWindow(first, 0, 0, client.right, client.bottom, TRUE);
    }
}

BOOL CLoginDlg::PreTranslateMessage(MSG* msg) {
    // No accidental cancel, and no reload of the login page.
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_ESCAPE || msg->wParam == VK_F5)) return TRUE;
    return CDHtmDlgEx::PreTranslateMessage(msg);
}

void CLoginDlg::OnBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                                  VARIANT_BOOL* cancel) {
    // A frame's command is cancelled but not obeyed (no background to act on): only the
    // login page itself speaks for the platform.
    CDialog* background = GetBrowserHost().IsTopLevel(disp) ? dynamic_cast<CDialog*>(m_pParentWnd) : nullptr;
    if (vorn::RunLoginCommand(BrowserVariantText(url), background)) *cancel = VARIANT_TRUE;
}

void CLoginDlg::DragBackground(UINT ncMessage) {
    POINT cursor{};
    GetCursorPos(&cursor);
    POINT client = cursor;
    ScreenToClient(m_hWnd, &client);
    if (IsInReservedArea(client) || m_pParentWnd == nullptr) return;
    // The background moves, and the page follows it.
    SendMessageW(m_pParentWnd->m_hWnd, ncMessage, HTCAPTION, MAKELPARAM(cursor.x, cursor.y));
}

HRESULT CLoginDlg::OnDragMouseDown(IDispatch*) {
    DragBackground(WM_NCLBUTTONDOWN);
    return S_FALSE;
}

HRESULT CLoginDlg::OnDragMouseUp(IDispatch*) {
    DragBackground(WM_NCLBUTTONUP);
    return S_FALSE;
}

HRESULT CLoginDlg::OnDragMouseMove(IDispatch*) {
    DragBackground(WM_NCMOUSEMOVE);
    return S_FALSE;
}
