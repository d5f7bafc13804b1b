#include "framework/HtmlView.h"

#include <string>
#include <utility>

namespace {
DWORD VariantNumber(const VARIANT* value) {
    if (value == nullptr) return 0;
    if (value->vt == VT_I4 || value->vt == VT_UI4) return static_cast<DWORD>(value->lVal);
    VARIANT copy;
    VariantInit(&copy);
    DWORD number = 0;
    if (SUCCEEDED(VariantChangeType(&copy, const_cast<VARIANT*>(value), 0, VT_UI4))) number = copy.ulVal;
    VariantClear(&copy);
    return number;
}
}  // namespace

CHtmlView::~CHtmlView() { m_browser.Destroy(); }

HRESULT CHtmlView::Navigate2(const wchar_t* url) { return m_browser.Navigate(url); }

int CHtmlView::OnCreate(LPCREATESTRUCTW cs) {
    if (CView::OnCreate(cs) == -1) return -1;
    RECT client{};
    GetClientRect(m_hWnd, &client);
    return SUCCEEDED(m_browser.Create(this, m_hWnd, client)) ? 0 : -1;
}

LRESULT CHtmlView::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        m_browser.SetRect(RECT{0, 0, LOWORD(lParam), HIWORD(lParam)});
        break;
    case WM_SETFOCUS:
        m_browser.Activate();
        return 0;
    case WM_ERASEBKGND:
        return 1;  // the page paints everything
    case WM_DESTROY:
        m_browser.Destroy();
        break;
#ifdef VORN_TEST_HOOKS
    case WM_COPYDATA:
        // Test builds only: the soak benchmark navigates the view from outside, as a page
        // that goes elsewhere would (under Wine no page runs). Loopback pages only.
        if (const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
            data != nullptr && data->dwData == 0 && data->cbData >= sizeof(wchar_t) && data->cbData % sizeof(wchar_t) == 0) {
            const std::wstring text(static_cast<const wchar_t*>(data->lpData), data->cbData / sizeof(wchar_t));
            const std::wstring url = text.substr(0, text.find(L'\0'));
            if (url.size() + 1 == text.size() && url.rfind(L"http://127.0.0.1:", 0) == 0) {
                return SUCCEEDED(Navigate2(url.c_str())) ? TRUE : FALSE;
            }
        }
        return FALSE;
#endif
    default:
        break;
    }
    return CView::WindowProc(msg, wParam, lParam);
}

BOOL CHtmlView::PreTranslateMessage(MSG* msg) {
    // The frame's key rules come before the page, which would take most keys.
    if (CFrameWnd* frame = GetParentFrame()) {
        if (frame->PreTranslateMessage(msg)) return TRUE;
    }
    return m_browser.TranslateAccelerator(msg);
}

void CHtmlView::OnBrowserBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* target,
                                         VARIANT* postData, VARIANT* headers, VARIANT_BOOL* cancel) {
    BOOL stop = *cancel != VARIANT_FALSE;
    // Kept across a nested navigation (a box the handler shows runs a message loop).
    const bool outer = std::exchange(m_topLevelNavigation, m_browser.IsTopLevel(disp));
    OnBeforeNavigate2(BrowserVariantText(url), VariantNumber(flags), BrowserVariantText(target), postData,
                      BrowserVariantText(headers), &stop);
    m_topLevelNavigation = outer;
    *cancel = stop ? VARIANT_TRUE : VARIANT_FALSE;
}

void CHtmlView::OnBrowserNavigateComplete2(IDispatch*, VARIANT* url) { OnNavigateComplete2(BrowserVariantText(url)); }

void CHtmlView::OnBrowserDocumentComplete(IDispatch*, VARIANT* url) { OnDocumentComplete(BrowserVariantText(url)); }

void CHtmlView::OnBrowserNavigateError(IDispatch*, VARIANT* url, VARIANT* frame, VARIANT* statusCode,
                                       VARIANT_BOOL* cancel) {
    BOOL stop = *cancel != VARIANT_FALSE;
    OnNavigateError(BrowserVariantText(url), BrowserVariantText(frame), VariantNumber(statusCode), &stop);
    *cancel = stop ? VARIANT_TRUE : VARIANT_FALSE;
}

void CHtmlView::OnBrowserTitleChange(const wchar_t* title) { OnTitleChange(title); }

HRESULT CHtmlView::GetHostInfo(DOCHOSTUIINFO* info) { return OnGetHostInfo(info); }

void CHtmlView::OnBeforeNavigate2(const wchar_t*, DWORD, const wchar_t*, VARIANT*, const wchar_t*, BOOL*) {}
void CHtmlView::OnNavigateComplete2(const wchar_t*) {}
void CHtmlView::OnDocumentComplete(const wchar_t*) {}
void CHtmlView::OnNavigateError(const wchar_t*, const wchar_t*, DWORD, BOOL*) {}
void CHtmlView::OnTitleChange(const wchar_t*) {}
HRESULT CHtmlView::OnGetHostInfo(DOCHOSTUIINFO*) { return E_NOTIMPL; }
