#pragma once
// The browser site of the HTML dialogs: the framework's site plus IDocHostShowUI, so that
// the page's message boxes and help requests are offered to the dialog first.
#include <windows.h>
#include <mshtmhst.h>

#include "framework/BrowserHost.h"

class CMyBrowserControlSite : public CBrowserControlSite {
public:
    explicit CMyBrowserControlSite(CBrowserHostOwner* handler);

protected:
    void* QueryExtraInterface(REFIID iid) override;

private:
    class ShowUI final : public IDocHostShowUI {
    public:
        explicit ShowUI(CMyBrowserControlSite* site) : m_site(site) {}
        STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return m_site->QueryInterface(iid, out); }
        STDMETHODIMP_(ULONG) AddRef() override { return m_site->AddRef(); }
        STDMETHODIMP_(ULONG) Release() override { return m_site->Release(); }
        STDMETHODIMP ShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                                 DWORD helpContext, LRESULT* result) override;
        STDMETHODIMP ShowHelp(HWND hwnd, LPOLESTR helpFile, UINT command, DWORD data, POINT mouse,
                              IDispatch* hit) override;

    private:
        CMyBrowserControlSite* m_site;
    };

    ShowUI m_showUI{this};
};
