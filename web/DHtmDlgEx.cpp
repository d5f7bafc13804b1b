#include "web/DHtmDlgEx.h"

#include <olectl.h>
#include <mshtmdid.h>
#include <windowsx.h>

#include "framework/HtmlElement.h"
#include "web/MyBrowserControlSite.h"
#include "web/AppCommand.h"
#include "web/WebText.h"

namespace {

using vorn::PageEventMatch;

constexpr DISPID kMouseOut = DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEOUT;
constexpr DISPID kMouseOver = DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEOVER;
constexpr DISPID kMouseDown = DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEDOWN;
constexpr DISPID kMouseUp = DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEUP;
constexpr DISPID kMouseMove = DISPID_HTMLDOCUMENTEVENTS2_ONMOUSEMOVE;
constexpr DISPID kContextMenu = DISPID_HTMLDOCUMENTEVENTS2_ONCONTEXTMENU;

#define VORN_DRAG_ENTRIES(tag)                                                               \
    {PageEventMatch::ByTag, tag, kMouseDown, DHtmlHandler(&CDHtmDlgEx::OnDragMouseDown)},     \
        {PageEventMatch::ByTag, tag, kMouseUp, DHtmlHandler(&CDHtmDlgEx::OnDragMouseUp)},     \
        {PageEventMatch::ByTag, tag, kMouseMove, DHtmlHandler(&CDHtmDlgEx::OnDragMouseMove)}, \
        {PageEventMatch::ByTag, tag, kContextMenu, DHtmlHandler(&CDHtmDlgEx::OnCancelContextMenu)}

}  // namespace

CDHtmDlgEx::CDHtmDlgEx(UINT templateId, CWnd* parent) : CDHtmlDialog(templateId, parent) {}

CDHtmDlgEx::~CDHtmDlgEx() = default;

DHtmlEventMap CDHtmDlgEx::GetDHtmlEventMap() const {
    static const DHtmlEventMapEntry kEntries[] = {
        {PageEventMatch::ByClass, u"button", kMouseOut, DHtmlHandler(&CDHtmDlgEx::OnButtonMouseOut)},
        {PageEventMatch::ByClass, u"button", kMouseOver, DHtmlHandler(&CDHtmDlgEx::OnButtonMouseOver)},
        {PageEventMatch::ByClass, u"button", kMouseDown, DHtmlHandler(&CDHtmDlgEx::OnButtonMouseDown)},
        {PageEventMatch::ByClass, u"button", kMouseUp, DHtmlHandler(&CDHtmDlgEx::OnButtonMouseUp)},
        VORN_DRAG_ENTRIES(u"body"),
        VORN_DRAG_ENTRIES(u"td"),
        VORN_DRAG_ENTRIES(u"div"),
    };
    return {kEntries, std::size(kEntries)};
}

#undef VORN_DRAG_ENTRIES

BOOL CDHtmDlgEx::CreateControlSite(CBrowserControlSite** site) {
    if (site == nullptr) return FALSE;
    *site = new (std::nothrow) CMyBrowserControlSite(this);
    return *site != nullptr;
}

BOOL CDHtmDlgEx::OnInitDialog() {
    CDHtmlDialog::OnInitDialog();
    if (IWebBrowser2* browser = GetBrowser()) browser->put_Silent(VARIANT_TRUE);
    return TRUE;
}

void CDHtmDlgEx::OnOK() {
    // Enter in the page never closes the dialog.
}

BOOL CDHtmDlgEx::CanAccessExternal() { return TRUE; }

BOOL CDHtmDlgEx::IsExternalDispatchSafe() { return TRUE; }

void CDHtmDlgEx::OnNavigateComplete(IDispatch* disp, const wchar_t* url) {
    CDHtmlDialog::OnNavigateComplete(disp, url);
    // Scroll bars only when the page is larger than the window.
    if (m_spHtmlDoc) html::SetBodyScroll(m_spHtmlDoc, L"auto");
}

HRESULT CDHtmDlgEx::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_OK; }

HRESULT CDHtmDlgEx::GetHostInfo(DOCHOSTUIINFO* info) {
    const HRESULT hr = CDHtmlDialog::GetHostInfo(info);
    if (info != nullptr) info->dwFlags |= DOCHOSTUIFLAG_DIALOG;  // no text selection
    return hr;
}

void CDHtmDlgEx::OnNavigateError(IDispatch*, VARIANT*, VARIANT*, VARIANT*, VARIANT_BOOL* cancel) {
    if (cancel != nullptr) *cancel = VARIANT_TRUE;  // never the browser's error page
}

HRESULT CDHtmDlgEx::OnShowMessage(HWND, LPOLESTR, LPOLESTR, DWORD, LPOLESTR, DWORD, LRESULT*) { return S_FALSE; }

HRESULT CDHtmDlgEx::OnShowHelp(HWND, LPOLESTR, UINT, DWORD, POINT, IDispatch*) { return S_FALSE; }

void CDHtmDlgEx::OnBeforeNavigate2(IDispatch*, VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                                   VARIANT_BOOL* cancel) {
    const wchar_t* text = BrowserVariantText(url);
    switch (vorn::FilterDialogNavigation(vorn::U16View(text))) {
    case vorn::DialogNavigation::Cancel:
        *cancel = VARIANT_TRUE;
        break;
    case vorn::DialogNavigation::Allow:
        *cancel = VARIANT_FALSE;
        break;
    case vorn::DialogNavigation::Proceed:
        break;
    }
}

// --- the button sprite -------------------------------------------------------------------

bool CDHtmDlgEx::IsCapturing() const { return m_hWnd != nullptr && GetCapture() == m_hWnd; }

void CDHtmDlgEx::ShowHoverLook(IDispatch* element) {
    if (IsCapturing() || html::AttributeIsTrue(element, L"disabled")) return;
    html::SetBackgroundPositionX(element, -html::GetLong(element, DISPID_IHTMLELEMENT_OFFSETWIDTH));
}

HRESULT CDHtmDlgEx::OnButtonMouseOut(IDispatch* element) {
    if (!IsCapturing()) html::SetBackgroundPositionX(element, 0);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnButtonMouseOver(IDispatch* element) {
    ShowHoverLook(element);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnButtonMouseDown(IDispatch* element) {
    if (html::AttributeIsTrue(element, L"disabled")) return S_FALSE;
    m_pPressedElement = element;
    SetCapture(m_hWnd);
    html::SetBackgroundPositionX(element, -2 * html::GetLong(element, DISPID_IHTMLELEMENT_OFFSETWIDTH));
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnButtonMouseUp(IDispatch* element) {
    ShowHoverLook(element);
    html::Click(element);
    return S_FALSE;
}

LRESULT CDHtmDlgEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    if ((msg == WM_LBUTTONUP || msg == WM_RBUTTONUP) && IsCapturing()) {
        // The dialog holds the capture from the press, so the browser never sees this
        // release and the click is delivered once, here, and only inside the element.
        ReleaseCapture();
        ComPtr<IDispatch> pressed = std::move(m_pPressedElement);
        if (pressed) {
            const RECT rect = html::OffsetRect(pressed);
            const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (PtInRect(&rect, point)) {
                ShowHoverLook(pressed);
                html::Click(pressed);
            } else {
                html::SetBackgroundPositionX(pressed, 0);
            }
        }
        return 0;
    }
    return CDHtmlDialog::WindowProc(msg, wParam, lParam);
}

// --- dragging ----------------------------------------------------------------------------

void CDHtmDlgEx::SendDragMessage(UINT ncMessage) {
    POINT cursor{};
    GetCursorPos(&cursor);
    SendMessageW(m_hWnd, ncMessage, HTCAPTION, MAKELPARAM(cursor.x, cursor.y));
}

HRESULT CDHtmDlgEx::OnDragMouseDown(IDispatch*) {
    SendDragMessage(WM_NCLBUTTONDOWN);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnDragMouseUp(IDispatch*) {
    SendDragMessage(WM_NCLBUTTONUP);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnDragMouseMove(IDispatch*) {
    SendDragMessage(WM_NCMOUSEMOVE);
    return S_FALSE;
}

HRESULT CDHtmDlgEx::OnCancelContextMenu(IDispatch*) { return S_FALSE; }
