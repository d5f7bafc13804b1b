#pragma once
// A dialog whose client area is a web page: the browser control in a host window that is
// the dialog's first child (id 102), the control's events as virtual functions, and page
// events routed to member functions through a table of the class.
#include <windows.h>
#include <mshtmhst.h>

#include <cstddef>

#include "framework/BrowserHost.h"
#include "framework/ComPtr.h"
#include "framework/Dialog.h"
#include "framework/PageEventMatch.h"

class CDHtmlDialog;

// A page-event handler; element is the event's source. S_FALSE returns false to the page,
// which cancels the browser's default action for the event.
using DHtmlEventHandler = HRESULT (CDHtmlDialog::*)(IDispatch* element);

template <typename Dialog>
DHtmlEventHandler DHtmlHandler(HRESULT (Dialog::*handler)(IDispatch*)) {
    return static_cast<DHtmlEventHandler>(handler);
}

struct DHtmlEventMapEntry {
    vorn::PageEventMatch match;
    const char16_t* name;  // class name or tag name
    DISPID dispid;         // HTMLDocumentEvents2 member
    DHtmlEventHandler handler;
};

struct DHtmlEventMap {
    const DHtmlEventMapEntry* entries = nullptr;
    std::size_t count = 0;
};

class CDHtmlDialog : public CDialog, public CBrowserHostOwner {
public:
    static constexpr UINT kBrowserId = 102;
    // The default host flags: no 3-D border, no scroll bars.
    static constexpr DWORD kDefaultHostFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;

    explicit CDHtmlDialog(UINT templateId = 0, CWnd* parent = nullptr);
    ~CDHtmlDialog() override;

    void Navigate(const wchar_t* url);
    IWebBrowser2* GetBrowser() const { return m_browser.GetBrowser(); }
    CBrowserHost& GetBrowserHost() { return m_browser; }
    // The host window that holds the control (the dialog's first child).
    HWND GetBrowserHostWindow() const;
    // The page's document; the default asks the control. A test may supply its own.
    virtual HRESULT GetDHtmlDocument(IDispatch** document);

    // Keys go to the page first, then to dialog navigation.
    BOOL PreTranslateMessage(MSG* msg) override;

    DWORD m_dwHostFlags = kDefaultHostFlags;

protected:
    BOOL OnInitDialog() override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

    // The control's events. A derived class replaces the handling of one event by
    // overriding its function; calling the base keeps the framework's part.
    virtual void OnBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* target,
                                   VARIANT* postData, VARIANT* headers, VARIANT_BOOL* cancel);
    virtual void OnBeforeNavigate(IDispatch* disp, const wchar_t* url);
    // On a completed navigation of the page itself (not of one of its frames) the
    // framework takes the document and connects the page events.
    virtual void OnNavigateComplete(IDispatch* disp, const wchar_t* url);
    virtual void OnDocumentComplete(IDispatch* disp, const wchar_t* url);
    virtual void OnNavigateError(IDispatch* disp, VARIANT* url, VARIANT* frame, VARIANT* statusCode,
                                 VARIANT_BOOL* cancel);
    virtual void OnTitleChange(const wchar_t* title);

    // The page-event table of the class; a derived table replaces the base's entirely.
    virtual DHtmlEventMap GetDHtmlEventMap() const;

    // The site given to the control; FALSE leaves the framework's own.
    virtual BOOL CreateControlSite(CBrowserControlSite** site);
    virtual BOOL CanAccessExternal();
    virtual BOOL IsExternalDispatchSafe();

    // CBrowserHostOwner: the host flags, and no external object for the page.
    HRESULT GetHostInfo(DOCHOSTUIINFO* info) override;
    HRESULT GetExternal(IDispatch** out) override;

    ComPtr<IDispatch> m_spHtmlDoc;  // the document of the last completed page

private:
    class PageEventSink;
    class HostWindow;

    void OnBrowserBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                                  VARIANT* headers, VARIANT_BOOL* cancel) final;
    void OnBrowserNavigateComplete2(IDispatch* disp, VARIANT* url) final;
    void OnBrowserDocumentComplete(IDispatch* disp, VARIANT* url) final;
    void OnBrowserNavigateError(IDispatch* disp, VARIANT* url, VARIANT* frame, VARIANT* statusCode,
                                VARIANT_BOOL* cancel) final;
    void OnBrowserTitleChange(const wchar_t* title) final;
    CBrowserControlSite* CreateBrowserSite() final;

    void ConnectPageEvents();
    void DisconnectPageEvents();
    void DestroyBrowser();
    // Runs the handler of the first table entry matching the event; S_FALSE as above.
    HRESULT DispatchPageEvent(DISPID dispid, IDispatch* eventObject);

    CBrowserHost m_browser;
    HostWindow* m_hostWindow = nullptr;
    PageEventSink* m_pageSink = nullptr;
    ComPtr<IConnectionPoint> m_pageConnection;
    DWORD m_pageCookie = 0;
};
