#pragma once
// Hosting of the system's web browser control, shared by the HTML view and the HTML
// dialog. One site object (CBrowserControlSite) with one reference count carries every
// interface the control asks its container for, and the DWebBrowserEvents2 sink; what the
// control says reaches the owner as calls of CBrowserHostOwner. CBrowserHost is the owner's
// holder of the site: it creates, places, activates and tears down the control.
#include <windows.h>
#include <ole2.h>
#include <exdisp.h>
#include <mshtmhst.h>

#include "framework/ComPtr.h"

class CBrowserControlSite;

// What the browser's owner hears and answers. The event arguments are the control's own,
// with by-reference variants already followed, so url->bstrVal is the address.
class CBrowserHostOwner {
public:
    virtual ~CBrowserHostOwner() = default;

    // DWebBrowserEvents2. disp is the browser or frame the event is about.
    virtual void OnBrowserBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* target,
                                          VARIANT* postData, VARIANT* headers, VARIANT_BOOL* cancel);
    virtual void OnBrowserNavigateComplete2(IDispatch* disp, VARIANT* url);
    virtual void OnBrowserDocumentComplete(IDispatch* disp, VARIANT* url);
    virtual void OnBrowserNavigateError(IDispatch* disp, VARIANT* url, VARIANT* frame, VARIANT* statusCode,
                                        VARIANT_BOOL* cancel);
    virtual void OnBrowserTitleChange(const wchar_t* title);

    // IDocHostUIHandler, method for method; the defaults leave the browser's own behaviour.
    virtual HRESULT ShowContextMenu(DWORD id, POINT* point, IUnknown* target, IDispatch* object);
    virtual HRESULT GetHostInfo(DOCHOSTUIINFO* info);
    virtual HRESULT ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* command,
                           IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc);
    virtual HRESULT HideUI();
    virtual HRESULT UpdateUI();
    virtual HRESULT EnableModeless(BOOL enable);
    virtual HRESULT OnDocWindowActivate(BOOL activate);
    virtual HRESULT OnFrameWindowActivate(BOOL activate);
    virtual HRESULT ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow);
    virtual HRESULT TranslateAccelerator(LPMSG msg, const GUID* group, DWORD command);
    virtual HRESULT GetOptionKeyPath(LPOLESTR* key, DWORD reserved);
    virtual HRESULT GetDropTarget(IDropTarget* dropTarget, IDropTarget** out);
    virtual HRESULT GetExternal(IDispatch** out);
    virtual HRESULT TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* out);
    virtual HRESULT FilterDataObject(IDataObject* object, IDataObject** out);

    // The site given to the control. A derived owner may return a derived site that adds
    // interfaces; null falls back to the plain site.
    virtual CBrowserControlSite* CreateBrowserSite();
};

// The container side of one browser control.
class CBrowserControlSite : public IOleClientSite {
public:
    explicit CBrowserControlSite(CBrowserHostOwner* handler);

    // IUnknown: one count for every part.
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

    // IOleClientSite
    STDMETHODIMP SaveObject() override;
    STDMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** out) override;
    STDMETHODIMP GetContainer(IOleContainer** out) override;
    STDMETHODIMP ShowObject() override;
    STDMETHODIMP OnShowWindow(BOOL show) override;
    STDMETHODIMP RequestNewObjectLayout() override;

    // The owner the site forwards to; null once the host has let go of the control.
    CBrowserHostOwner* m_pHandler;

    // The one entry point of the control's events: the sink's Invoke comes here. Tests call
    // the sink the same way for the events the control under test never fires.
    HRESULT FireEvent(DISPID id, DISPPARAMS* params);

protected:
    virtual ~CBrowserControlSite();
    // A derived site's own interfaces, asked before the standard parts; null when none.
    virtual void* QueryExtraInterface(REFIID iid);

private:
    friend class CBrowserHost;

    // One tiny class per interface; each forwards IUnknown to the site.
    class InPlaceSite;
    class InPlaceFrame;
    class UIHandler;
    class EventSink;

    HRESULT Attach(HWND container, const RECT& rect);
    // Lets go of the control: disconnects the events, deactivates and closes it. Deferred
    // to the end of the event being handled when called from inside one.
    void Detach();
    void ReleaseControl();
    void SetRect(const RECT& rect);
    HWND ControlWindow() const;

    LONG m_refs = 1;
    HWND m_container = nullptr;
    RECT m_rect{};
    InPlaceSite* m_inPlaceSite;
    InPlaceFrame* m_inPlaceFrame;
    UIHandler* m_uiHandler;
    EventSink* m_eventSink;
    ComPtr<IOleObject> m_oleObject;
    ComPtr<IWebBrowser2> m_browser;
    ComPtr<IOleInPlaceActiveObject> m_activeObject;
    ComPtr<IConnectionPoint> m_connection;
    DWORD m_cookie = 0;
    int m_eventDepth = 0;
    bool m_detachPending = false;
};

class CBrowserHost {
public:
    CBrowserHost() = default;
    ~CBrowserHost();
    CBrowserHost(const CBrowserHost&) = delete;
    CBrowserHost& operator=(const CBrowserHost&) = delete;

    // Creates the control in place in container (a window of this thread), over rect in
    // the container's client coordinates, and connects its events to owner.
    HRESULT Create(CBrowserHostOwner* owner, HWND container, const RECT& rect);
    // The owner hears nothing more from here on; safe from inside an event handler.
    void Destroy();
    bool IsCreated() const { return m_site != nullptr; }

    void SetRect(const RECT& rect);
    // Gives the page the keyboard focus.
    void Activate();
    // Offers a key message aimed at the control's windows to the page; TRUE when taken.
    BOOL TranslateAccelerator(MSG* msg);

    IWebBrowser2* GetBrowser() const;
    // The control's own window (inside the container); null when there is none.
    HWND GetControlWindow() const;
    CBrowserControlSite* GetSite() const { return m_site; }
    // What the control calls with its events.
    IDispatch* GetEventSink() const;
    // Whether disp is the browser itself rather than one of its frames.
    bool IsTopLevel(IDispatch* disp) const;

    HRESULT Navigate(const wchar_t* url);

private:
    CBrowserControlSite* m_site = nullptr;  // one reference
};

// The text of a string variant (followed when by reference); empty for anything else.
const wchar_t* BrowserVariantText(const VARIANT* value);
