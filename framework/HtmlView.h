#pragma once
// A view that is a web page: the browser control fills the view, its events arrive as
// virtual functions, and keys go to the frame's rules first, then to the page.
#include <windows.h>

#include "framework/BrowserHost.h"
#include "framework/FrameWnd.h"

class CHtmlView : public CView, public CBrowserHostOwner {
public:
    CHtmlView() = default;
    ~CHtmlView() override;

    IWebBrowser2* GetBrowser() const { return m_browser.GetBrowser(); }
    CBrowserHost& GetBrowserHost() { return m_browser; }
    HRESULT Navigate2(const wchar_t* url);

    BOOL PreTranslateMessage(MSG* msg) override;

protected:
    // Creates the control over the view.
    int OnCreate(LPCREATESTRUCTW cs) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The control's events, for every navigation, frames included.
    // During OnBeforeNavigate2: whether the navigation is the page's own, not one of its
    // frames' (whose content may come from anywhere).
    bool IsTopLevelNavigation() const { return m_topLevelNavigation; }
    virtual void OnBeforeNavigate2(const wchar_t* url, DWORD flags, const wchar_t* target, VARIANT* postData,
                                   const wchar_t* headers, BOOL* cancel);
    virtual void OnNavigateComplete2(const wchar_t* url);
    virtual void OnDocumentComplete(const wchar_t* url);
    virtual void OnNavigateError(const wchar_t* url, const wchar_t* frame, DWORD statusCode, BOOL* cancel);
    virtual void OnTitleChange(const wchar_t* title);
    // The host flags; the default leaves the browser's.
    virtual HRESULT OnGetHostInfo(DOCHOSTUIINFO* info);

private:
    void OnBrowserBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                                  VARIANT* headers, VARIANT_BOOL* cancel) final;
    void OnBrowserNavigateComplete2(IDispatch* disp, VARIANT* url) final;
    void OnBrowserDocumentComplete(IDispatch* disp, VARIANT* url) final;
    void OnBrowserNavigateError(IDispatch* disp, VARIANT* url, VARIANT* frame, VARIANT* statusCode,
                                VARIANT_BOOL* cancel) final;
    void OnBrowserTitleChange(const wchar_t* title) final;
    HRESULT GetHostInfo(DOCHOSTUIINFO* info) final;

    CBrowserHost m_browser;
    bool m_topLevelNavigation = false;
};
