#include "web/MyBrowserControlSite.h"

#include "web/DHtmDlgEx.h"

CMyBrowserControlSite::CMyBrowserControlSite(CBrowserHostOwner* handler) : CBrowserControlSite(handler) {}

void* CMyBrowserControlSite::QueryExtraInterface(REFIID iid) {
    // Every part of the site asks here first, so the UI handler answers this too.
    if (iid == __uuidof(IDocHostShowUI)) return static_cast<IDocHostShowUI*>(&m_showUI);
    return nullptr;
}

STDMETHODIMP CMyBrowserControlSite::ShowUI::ShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type,
                                                        LPOLESTR helpFile, DWORD helpContext, LRESULT* result) {
    if (auto* dialog = dynamic_cast<CDHtmDlgEx*>(m_site->m_pHandler)) {
        return dialog->OnShowMessage(hwnd, text, caption, type, helpFile, helpContext, result);
    }
    return S_OK;  // not an HTML dialog of ours: the box is suppressed
}

STDMETHODIMP CMyBrowserControlSite::ShowUI::ShowHelp(HWND hwnd, LPOLESTR helpFile, UINT command, DWORD data,
                                                     POINT mouse, IDispatch* hit) {
    if (auto* dialog = dynamic_cast<CDHtmDlgEx*>(m_site->m_pHandler)) {
        return dialog->OnShowHelp(hwnd, helpFile, command, data, mouse, hit);
    }
    return S_OK;
}
