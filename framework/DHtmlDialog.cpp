#include "framework/DHtmlDialog.h"

#include <mshtml.h>

#include <string>

#include "framework/HtmlElement.h"

namespace {
std::u16string_view AsU16(const std::wstring& text) {
    return {reinterpret_cast<const char16_t*>(text.data()), text.size()};
}
}  // namespace

// The HTMLDocumentEvents2 sink of one dialog. It has a count of its own, because the
// document holds it; the dialog lets go of it (and the sink of the dialog) on disconnect.
class CDHtmlDialog::PageEventSink final : public IDispatch {
public:
    explicit PageEventSink(CDHtmlDialog* dialog) : m_dialog(dialog) {}
    void Orphan() { m_dialog = nullptr; }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(HTMLDocumentEvents2)) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        const LONG refs = InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count != nullptr) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        if (out != nullptr) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (m_dialog == nullptr || params == nullptr || params->cArgs < 1 || params->rgvarg == nullptr) return S_OK;
        const VARIANT& arg = params->rgvarg[params->cArgs - 1];
        IDispatch* eventObject = arg.vt == VT_DISPATCH ? arg.pdispVal : nullptr;
        if (eventObject == nullptr) return S_OK;
        AddRef();  // the handler may end the dialog and disconnect us
        const HRESULT hr = m_dialog->DispatchPageEvent(id, eventObject);
        if (hr == S_FALSE && result != nullptr) {
            VariantClear(result);
            result->vt = VT_BOOL;
            result->boolVal = VARIANT_FALSE;
        }
        Release();
        return S_OK;
    }

private:
    LONG m_refs = 1;
    CDHtmlDialog* m_dialog;
};

// The child window that holds the control and keeps it at its own size.
class CDHtmlDialog::HostWindow final : public CWnd {
public:
    explicit HostWindow(CBrowserHost& browser) : m_browser(browser) {}

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override {
        switch (msg) {
        case WM_SIZE:
            m_browser.SetRect(RECT{0, 0, LOWORD(lParam), HIWORD(lParam)});
            break;
        case WM_SETFOCUS:
            m_browser.Activate();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the page paints everything
        default:
            break;
        }
        return CWnd::WindowProc(msg, wParam, lParam);
    }

private:
    CBrowserHost& m_browser;
};

CDHtmlDialog::CDHtmlDialog(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {}

CDHtmlDialog::~CDHtmlDialog() {
    // The control must go while its windows are there; the derived parts are gone by now,
    // so only this class's handlers see the end.
    DestroyBrowser();
    if (m_hWnd != nullptr && IsWindow(m_hWnd)) ::DestroyWindow(m_hWnd);
    delete m_hostWindow;
}

HWND CDHtmlDialog::GetBrowserHostWindow() const { return m_hostWindow != nullptr ? m_hostWindow->m_hWnd : nullptr; }

BOOL CDHtmlDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    RECT client{};
    GetClientRect(m_hWnd, &client);
    delete m_hostWindow;
    m_hostWindow = new HostWindow(m_browser);
    if (m_hostWindow->CreateEx(0, AfxPlainWindowClass(), L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPCHILDREN,
                               client, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kBrowserId)))) {
        SetWindowPos(m_hostWindow->m_hWnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        m_browser.Create(this, m_hostWindow->m_hWnd, client);
    }
    return TRUE;
}

LRESULT CDHtmlDialog::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SIZE:
        if (m_hostWindow != nullptr && m_hostWindow->m_hWnd != nullptr) {
            MoveWindow(m_hostWindow->m_hWnd, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        }
        break;
    case WM_DESTROY:
        DestroyBrowser();
        break;
    default:
        break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}

BOOL CDHtmlDialog::PreTranslateMessage(MSG* msg) {
    if (m_browser.TranslateAccelerator(msg)) return TRUE;
    return CDialog::PreTranslateMessage(msg);
}

void CDHtmlDialog::DestroyBrowser() {
    DisconnectPageEvents();
    m_spHtmlDoc.Release();
    m_browser.Destroy();
}

void CDHtmlDialog::Navigate(const wchar_t* url) { m_browser.Navigate(url); }

HRESULT CDHtmlDialog::GetDHtmlDocument(IDispatch** document) {
    if (document == nullptr) return E_POINTER;
    *document = nullptr;
    IWebBrowser2* browser = GetBrowser();
    if (browser == nullptr) return E_UNEXPECTED;
    const HRESULT hr = browser->get_Document(document);
    if (SUCCEEDED(hr) && *document == nullptr) return E_NOINTERFACE;
    return hr;
}

// --- the control's events ---------------------------------------------------------------

void CDHtmlDialog::OnBrowserBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* target,
                                            VARIANT* postData, VARIANT* headers, VARIANT_BOOL* cancel) {
    OnBeforeNavigate2(disp, url, flags, target, postData, headers, cancel);
}

void CDHtmlDialog::OnBrowserNavigateComplete2(IDispatch* disp, VARIANT* url) {
    OnNavigateComplete(disp, BrowserVariantText(url));
}

void CDHtmlDialog::OnBrowserDocumentComplete(IDispatch* disp, VARIANT* url) {
    OnDocumentComplete(disp, BrowserVariantText(url));
}

void CDHtmlDialog::OnBrowserNavigateError(IDispatch* disp, VARIANT* url, VARIANT* frame, VARIANT* statusCode,
                                          VARIANT_BOOL* cancel) {
    OnNavigateError(disp, url, frame, statusCode, cancel);
}

void CDHtmlDialog::OnBrowserTitleChange(const wchar_t* title) { OnTitleChange(title); }

void CDHtmlDialog::OnBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                                     VARIANT_BOOL*) {
    OnBeforeNavigate(disp, BrowserVariantText(url));
}

void CDHtmlDialog::OnBeforeNavigate(IDispatch*, const wchar_t*) {}

void CDHtmlDialog::OnNavigateComplete(IDispatch* disp, const wchar_t*) {
    if (!m_browser.IsTopLevel(disp)) return;
    m_spHtmlDoc.Release();
    GetDHtmlDocument(&m_spHtmlDoc);
    ConnectPageEvents();
}

void CDHtmlDialog::OnDocumentComplete(IDispatch*, const wchar_t*) {}
void CDHtmlDialog::OnNavigateError(IDispatch*, VARIANT*, VARIANT*, VARIANT*, VARIANT_BOOL*) {}
void CDHtmlDialog::OnTitleChange(const wchar_t*) {}

DHtmlEventMap CDHtmlDialog::GetDHtmlEventMap() const { return {}; }

BOOL CDHtmlDialog::CreateControlSite(CBrowserControlSite** site) {
    if (site != nullptr) *site = nullptr;
    return FALSE;
}

CBrowserControlSite* CDHtmlDialog::CreateBrowserSite() {
    CBrowserControlSite* site = nullptr;
    if (!CreateControlSite(&site)) return nullptr;
    return site;
}

BOOL CDHtmlDialog::CanAccessExternal() { return IsExternalDispatchSafe(); }
BOOL CDHtmlDialog::IsExternalDispatchSafe() { return FALSE; }

HRESULT CDHtmlDialog::GetHostInfo(DOCHOSTUIINFO* info) {
    if (info == nullptr) return E_POINTER;
    info->dwFlags = m_dwHostFlags;
    info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

HRESULT CDHtmlDialog::GetExternal(IDispatch** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    // No script object is offered to pages, whatever the page's rights.
    return CanAccessExternal() ? S_FALSE : E_ACCESSDENIED;
}

// --- page events -------------------------------------------------------------------------

void CDHtmlDialog::ConnectPageEvents() {
    DisconnectPageEvents();
    if (!m_spHtmlDoc) return;
    ComPtr<IConnectionPointContainer> points = m_spHtmlDoc.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!points || FAILED(points->FindConnectionPoint(__uuidof(HTMLDocumentEvents2), &m_pageConnection))) return;
    m_pageSink = new PageEventSink(this);
    if (FAILED(m_pageConnection->Advise(static_cast<IDispatch*>(m_pageSink), &m_pageCookie))) {
        DisconnectPageEvents();
    }
}

void CDHtmlDialog::DisconnectPageEvents() {
    if (m_pageConnection) {
        if (m_pageCookie != 0) m_pageConnection->Unadvise(m_pageCookie);
        m_pageConnection.Release();
    }
    m_pageCookie = 0;
    if (m_pageSink != nullptr) {
        m_pageSink->Orphan();
        m_pageSink->Release();
        m_pageSink = nullptr;
    }
}

HRESULT CDHtmlDialog::DispatchPageEvent(DISPID dispid, IDispatch* eventObject) {
    const DHtmlEventMap map = GetDHtmlEventMap();
    if (map.count == 0) return S_OK;
    ComPtr<IDispatch> element = html::EventSource(eventObject);
    if (!element) return S_OK;
    const std::wstring className = html::ClassName(element);
    const std::wstring tagName = html::TagName(element);
    const int index = vorn::FindPageEventEntry(
        map.count,
        [&](std::size_t i) {
            const DHtmlEventMapEntry& e = map.entries[i];
            return vorn::PageEventKey{e.match, e.name, e.dispid};
        },
        dispid, AsU16(className), AsU16(tagName));
    if (index < 0) return S_OK;
    return (this->*map.entries[index].handler)(element);
}
