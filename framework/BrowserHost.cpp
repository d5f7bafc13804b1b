#include "framework/BrowserHost.h"

#include <exdispid.h>

#include "framework/OleInit.h"

// ---------------------------------------------------------------------------------------
// The owner's defaults: the browser's own behaviour.

void CBrowserHostOwner::OnBrowserBeforeNavigate2(IDispatch*, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                                                 VARIANT_BOOL*) {}
void CBrowserHostOwner::OnBrowserNavigateComplete2(IDispatch*, VARIANT*) {}
void CBrowserHostOwner::OnBrowserDocumentComplete(IDispatch*, VARIANT*) {}
void CBrowserHostOwner::OnBrowserNavigateError(IDispatch*, VARIANT*, VARIANT*, VARIANT*, VARIANT_BOOL*) {}
void CBrowserHostOwner::OnBrowserTitleChange(const wchar_t*) {}

HRESULT CBrowserHostOwner::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_FALSE; }
HRESULT CBrowserHostOwner::GetHostInfo(DOCHOSTUIINFO*) { return E_NOTIMPL; }
HRESULT CBrowserHostOwner::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                  IOleInPlaceUIWindow*) {
    return S_OK;  // the host has no tool bars or menus to merge
}
HRESULT CBrowserHostOwner::HideUI() { return S_OK; }
HRESULT CBrowserHostOwner::UpdateUI() { return S_OK; }
HRESULT CBrowserHostOwner::EnableModeless(BOOL) { return S_OK; }
HRESULT CBrowserHostOwner::OnDocWindowActivate(BOOL) { return S_OK; }
HRESULT CBrowserHostOwner::OnFrameWindowActivate(BOOL) { return S_OK; }
HRESULT CBrowserHostOwner::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return S_OK; }
HRESULT CBrowserHostOwner::TranslateAccelerator(LPMSG, const GUID*, DWORD) { return S_FALSE; }
HRESULT CBrowserHostOwner::GetOptionKeyPath(LPOLESTR* key, DWORD) {
    if (key != nullptr) *key = nullptr;
    return E_NOTIMPL;
}
HRESULT CBrowserHostOwner::GetDropTarget(IDropTarget*, IDropTarget** out) {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
}
HRESULT CBrowserHostOwner::GetExternal(IDispatch** out) {
    if (out != nullptr) *out = nullptr;
    return S_FALSE;
}
HRESULT CBrowserHostOwner::TranslateUrl(DWORD, LPWSTR, LPWSTR* out) {
    if (out != nullptr) *out = nullptr;
    return S_FALSE;
}
HRESULT CBrowserHostOwner::FilterDataObject(IDataObject*, IDataObject** out) {
    if (out != nullptr) *out = nullptr;
    return S_FALSE;
}
CBrowserControlSite* CBrowserHostOwner::CreateBrowserSite() { return nullptr; }

const wchar_t* BrowserVariantText(const VARIANT* value) {
    if (value == nullptr) return L"";
    if (value->vt == (VT_BYREF | VT_VARIANT) && value->pvarVal != nullptr) value = value->pvarVal;
    if (value->vt == VT_BSTR && value->bstrVal != nullptr) return value->bstrVal;
    if (value->vt == (VT_BYREF | VT_BSTR) && value->pbstrVal != nullptr && *value->pbstrVal != nullptr) {
        return *value->pbstrVal;
    }
    return L"";
}

// ---------------------------------------------------------------------------------------
// The parts of the site.

#define VORN_FORWARD_IUNKNOWN()                                                                  \
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return m_site->QueryInterface(iid, out); } \
    STDMETHODIMP_(ULONG) AddRef() override { return m_site->AddRef(); }                        \
    STDMETHODIMP_(ULONG) Release() override { return m_site->Release(); }

class CBrowserControlSite::InPlaceFrame final : public IOleInPlaceFrame {
public:
    explicit InPlaceFrame(CBrowserControlSite* site) : m_site(site) {}
    VORN_FORWARD_IUNKNOWN()

    STDMETHODIMP GetWindow(HWND* out) override {
        if (out == nullptr) return E_POINTER;
        *out = GetAncestor(m_site->m_container, GA_ROOT);
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

private:
    CBrowserControlSite* m_site;
};

class CBrowserControlSite::InPlaceSite final : public IOleInPlaceSite {
public:
    explicit InPlaceSite(CBrowserControlSite* site) : m_site(site) {}
    VORN_FORWARD_IUNKNOWN()

    STDMETHODIMP GetWindow(HWND* out) override {
        if (out == nullptr) return E_POINTER;
        *out = m_site->m_container;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** doc, LPRECT pos, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        if (frame != nullptr) {
            *frame = static_cast<IOleInPlaceFrame*>(m_site->m_inPlaceFrame);
            m_site->AddRef();
        }
        if (doc != nullptr) *doc = nullptr;
        if (pos != nullptr) *pos = m_site->m_rect;
        if (clip != nullptr) *clip = m_site->m_rect;
        if (info != nullptr) {
            info->cb = sizeof(OLEINPLACEFRAMEINFO);
            info->fMDIApp = FALSE;
            info->hwndFrame = GetAncestor(m_site->m_container, GA_ROOT);
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT rect) override {
        if (rect != nullptr) m_site->SetRect(*rect);
        return S_OK;
    }

private:
    CBrowserControlSite* m_site;
};

class CBrowserControlSite::UIHandler final : public IDocHostUIHandler {
public:
    explicit UIHandler(CBrowserControlSite* site) : m_site(site) {}
    VORN_FORWARD_IUNKNOWN()

    // Each method goes to the owner's virtual of the same name; without an owner (the
    // host has let go) the browser's defaults stand.
    STDMETHODIMP ShowContextMenu(DWORD id, POINT* point, IUnknown* target, IDispatch* object) override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        return o != nullptr ? o->ShowContextMenu(id, point, target, object) : S_FALSE;
    }
    STDMETHODIMP GetHostInfo(DOCHOSTUIINFO* info) override {
        if (info == nullptr) return E_POINTER;
        CBrowserHostOwner* o = m_site->m_pHandler;
        return o != nullptr ? o->GetHostInfo(info) : E_NOTIMPL;
    }
    STDMETHODIMP ShowUI(DWORD id, IOleInPlaceActiveObject* active, IOleCommandTarget* command,
                        IOleInPlaceFrame* frame, IOleInPlaceUIWindow* doc) override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        return o != nullptr ? o->ShowUI(id, active, command, frame, doc) : S_OK;
    }
    STDMETHODIMP HideUI() override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        return o != nullptr ? o->HideUI() : S_OK;
    }
    STDMETHODIMP UpdateUI() override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        return o != nullptr ? o->UpdateUI() : S_OK;
    }
    STDMETHODIMP EnableModeless(BOOL enable) override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        return o != nullptr ? o->EnableModeless(enable) : S_OK;
    }
    STDMETHODIMP OnDocWindowActivate(BOOL activate) override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        return o != nullptr ? o->OnDocWindowActivate(activate) : S_OK;
    }
    STDMETHODIMP OnFrameWindowActivate(BOOL activate) override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        return o != nullptr ? o->OnFrameWindowActivate(activate) : S_OK;
    }
    STDMETHODIMP ResizeBorder(LPCRECT border, IOleInPlaceUIWindow* window, BOOL frameWindow) override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        return o != nullptr ? o->ResizeBorder(border, window, frameWindow) : S_OK;
    }
    STDMETHODIMP TranslateAccelerator(LPMSG msg, const GUID* group, DWORD command) override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        return o != nullptr ? o->TranslateAccelerator(msg, group, command) : S_FALSE;
    }
    STDMETHODIMP GetOptionKeyPath(LPOLESTR* key, DWORD reserved) override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        if (o != nullptr) return o->GetOptionKeyPath(key, reserved);
        if (key != nullptr) *key = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetDropTarget(IDropTarget* dropTarget, IDropTarget** out) override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        if (o != nullptr) return o->GetDropTarget(dropTarget, out);
        if (out != nullptr) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetExternal(IDispatch** out) override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        if (o != nullptr) return o->GetExternal(out);
        if (out != nullptr) *out = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP TranslateUrl(DWORD translate, LPWSTR url, LPWSTR* out) override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        if (o != nullptr) return o->TranslateUrl(translate, url, out);
        if (out != nullptr) *out = nullptr;
        return S_FALSE;
    }
    STDMETHODIMP FilterDataObject(IDataObject* object, IDataObject** out) override {
        CBrowserHostOwner* o = m_site->m_pHandler;
        if (o != nullptr) return o->FilterDataObject(object, out);
        if (out != nullptr) *out = nullptr;
        return S_FALSE;
    }

private:
    CBrowserControlSite* m_site;
};

// The DWebBrowserEvents2 sink. It answers only for itself (IDispatch and the event
// interface), so that the control's questions for ambient properties on the client site
// do not land in the event dispatch; it shares the site's count.
class CBrowserControlSite::EventSink final : public IDispatch {
public:
    explicit EventSink(CBrowserControlSite* site) : m_site(site) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_DWebBrowserEvents2) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return m_site->AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return m_site->Release(); }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (count != nullptr) *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** out) override {
        if (out != nullptr) *out = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
        return m_site->FireEvent(id, params);
    }

private:
    CBrowserControlSite* m_site;
};

#undef VORN_FORWARD_IUNKNOWN

// ---------------------------------------------------------------------------------------
// The site.

CBrowserControlSite::CBrowserControlSite(CBrowserHostOwner* handler)
    : m_pHandler(handler),
      m_inPlaceSite(new InPlaceSite(this)),
      m_inPlaceFrame(new InPlaceFrame(this)),
      m_uiHandler(new UIHandler(this)),
      m_eventSink(new EventSink(this)) {
    AfxOleBrowserCreated();
}

CBrowserControlSite::~CBrowserControlSite() {
    ReleaseControl();
    delete m_inPlaceSite;
    delete m_inPlaceFrame;
    delete m_uiHandler;
    delete m_eventSink;
    AfxOleBrowserDestroyed();
}

STDMETHODIMP CBrowserControlSite::QueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (void* extra = QueryExtraInterface(iid)) {
        *out = extra;
    } else if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
        *out = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
        *out = static_cast<IOleInPlaceSite*>(m_inPlaceSite);
    } else if (iid == IID_IOleInPlaceFrame || iid == IID_IOleInPlaceUIWindow) {
        *out = static_cast<IOleInPlaceFrame*>(m_inPlaceFrame);
    } else if (iid == IID_IDocHostUIHandler) {
        *out = static_cast<IDocHostUIHandler*>(m_uiHandler);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

STDMETHODIMP_(ULONG) CBrowserControlSite::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

STDMETHODIMP_(ULONG) CBrowserControlSite::Release() {
    const LONG refs = InterlockedDecrement(&m_refs);
    if (refs == 0) delete this;
    return static_cast<ULONG>(refs);
}

void* CBrowserControlSite::QueryExtraInterface(REFIID) { return nullptr; }

STDMETHODIMP CBrowserControlSite::SaveObject() { return E_NOTIMPL; }
STDMETHODIMP CBrowserControlSite::GetMoniker(DWORD, DWORD, IMoniker** out) {
    if (out != nullptr) *out = nullptr;
    return E_NOTIMPL;
}
STDMETHODIMP CBrowserControlSite::GetContainer(IOleContainer** out) {
    if (out != nullptr) *out = nullptr;
    return E_NOINTERFACE;
}
STDMETHODIMP CBrowserControlSite::ShowObject() { return S_OK; }
STDMETHODIMP CBrowserControlSite::OnShowWindow(BOOL) { return S_OK; }
STDMETHODIMP CBrowserControlSite::RequestNewObjectLayout() { return E_NOTIMPL; }

namespace {

// Argument i (0 = first in the event's declaration) of an event; DISPPARAMS lists them
// last first. Null when the event came with fewer.
VARIANT* EventArgument(DISPPARAMS* params, UINT i, UINT expected) {
    if (params->cArgs < expected || params->rgvarg == nullptr || i >= expected) return nullptr;
    return &params->rgvarg[params->cArgs - 1 - i];
}

// A by-reference variant argument, followed; the argument itself otherwise.
VARIANT* VariantArgument(DISPPARAMS* params, UINT i, UINT expected) {
    VARIANT* arg = EventArgument(params, i, expected);
    if (arg != nullptr && arg->vt == (VT_BYREF | VT_VARIANT)) return arg->pvarVal;
    return arg;
}

IDispatch* DispatchArgument(DISPPARAMS* params, UINT i, UINT expected) {
    VARIANT* arg = EventArgument(params, i, expected);
    if (arg == nullptr) return nullptr;
    if (arg->vt == VT_DISPATCH) return arg->pdispVal;
    if (arg->vt == (VT_BYREF | VT_DISPATCH) && arg->ppdispVal != nullptr) return *arg->ppdispVal;
    return nullptr;
}

VARIANT_BOOL* CancelArgument(DISPPARAMS* params, UINT i, UINT expected) {
    VARIANT* arg = EventArgument(params, i, expected);
    if (arg != nullptr && arg->vt == (VT_BYREF | VT_BOOL)) return arg->pboolVal;
    return nullptr;
}

}  // namespace

HRESULT CBrowserControlSite::FireEvent(DISPID id, DISPPARAMS* params) {
    if (params == nullptr) return E_INVALIDARG;
    // The owner may end the host from inside its handler (a dialog ended on a command):
    // the site, and the control, stay until the handler has returned.
    AddRef();
    ++m_eventDepth;
    HRESULT result = S_OK;
    VARIANT_BOOL ignoredCancel = VARIANT_FALSE;
    CBrowserHostOwner* owner = m_pHandler;
    if (owner == nullptr) {
        result = S_OK;
    } else {
        switch (id) {
        case DISPID_BEFORENAVIGATE2: {
            VARIANT_BOOL* cancel = CancelArgument(params, 6, 7);
            owner->OnBrowserBeforeNavigate2(DispatchArgument(params, 0, 7), VariantArgument(params, 1, 7),
                                            VariantArgument(params, 2, 7), VariantArgument(params, 3, 7),
                                            VariantArgument(params, 4, 7), VariantArgument(params, 5, 7),
                                            cancel != nullptr ? cancel : &ignoredCancel);
            break;
        }
        case DISPID_NAVIGATECOMPLETE2:
            owner->OnBrowserNavigateComplete2(DispatchArgument(params, 0, 2), VariantArgument(params, 1, 2));
            break;
        case DISPID_DOCUMENTCOMPLETE:
            owner->OnBrowserDocumentComplete(DispatchArgument(params, 0, 2), VariantArgument(params, 1, 2));
            break;
        case DISPID_NAVIGATEERROR: {
            VARIANT_BOOL* cancel = CancelArgument(params, 4, 5);
            owner->OnBrowserNavigateError(DispatchArgument(params, 0, 5), VariantArgument(params, 1, 5),
                                          VariantArgument(params, 2, 5), VariantArgument(params, 3, 5),
                                          cancel != nullptr ? cancel : &ignoredCancel);
            break;
        }
        case DISPID_TITLECHANGE:
            owner->OnBrowserTitleChange(BrowserVariantText(VariantArgument(params, 0, 1)));
            break;
        default:
            result = DISP_E_MEMBERNOTFOUND;
            break;
        }
    }
    --m_eventDepth;
    if (m_eventDepth == 0 && m_detachPending) ReleaseControl();
    Release();
    return result;
}

HRESULT CBrowserControlSite::Attach(HWND container, const RECT& rect) {
    m_container = container;
    m_rect = rect;
    HRESULT hr = CoCreateInstance(CLSID_WebBrowser, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                  reinterpret_cast<void**>(&m_oleObject));
    if (FAILED(hr)) return hr;
    hr = m_oleObject->SetClientSite(this);
    if (FAILED(hr)) return hr;
    OleSetContainedObject(m_oleObject, TRUE);
    hr = m_oleObject->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, this, 0, container, &m_rect);
    if (FAILED(hr)) return hr;
    m_browser = m_oleObject.As<IWebBrowser2>(IID_IWebBrowser2);
    if (!m_browser) return E_NOINTERFACE;
    m_activeObject = m_oleObject.As<IOleInPlaceActiveObject>(IID_IOleInPlaceActiveObject);
    SetRect(rect);
    ComPtr<IConnectionPointContainer> points = m_oleObject.As<IConnectionPointContainer>(IID_IConnectionPointContainer);
    if (!points || FAILED(points->FindConnectionPoint(DIID_DWebBrowserEvents2, &m_connection))) return E_NOINTERFACE;
    hr = m_connection->Advise(static_cast<IDispatch*>(m_eventSink), &m_cookie);
    if (FAILED(hr)) m_connection.Release();
    return hr;
}

void CBrowserControlSite::Detach() {
    m_pHandler = nullptr;
    if (m_eventDepth > 0) {
        m_detachPending = true;
        return;
    }
    ReleaseControl();
}

void CBrowserControlSite::ReleaseControl() {
    m_detachPending = false;
    if (m_connection) {
        // Keep ourselves alive through the control's release of its sink reference.
        AddRef();
        m_connection->Unadvise(m_cookie);
        m_connection.Release();
        m_cookie = 0;
        Release();
    }
    if (m_oleObject) {
        ComPtr<IOleObject> object = m_oleObject;
        m_oleObject.Release();
        AddRef();
        if (ComPtr<IOleInPlaceObject> inPlace = object.As<IOleInPlaceObject>(IID_IOleInPlaceObject)) {
            inPlace->InPlaceDeactivate();
        }
        object->Close(OLECLOSE_NOSAVE);
        object->SetClientSite(nullptr);
        Release();
    }
    m_activeObject.Release();
    m_browser.Release();
}

void CBrowserControlSite::SetRect(const RECT& rect) {
    m_rect = rect;
    if (!m_oleObject) return;
    if (ComPtr<IOleInPlaceObject> inPlace = m_oleObject.As<IOleInPlaceObject>(IID_IOleInPlaceObject)) {
        inPlace->SetObjectRects(&m_rect, &m_rect);
    }
}

HWND CBrowserControlSite::ControlWindow() const {
    HWND hwnd = nullptr;
    if (!m_oleObject) return nullptr;
    if (ComPtr<IOleInPlaceObject> inPlace = m_oleObject.As<IOleInPlaceObject>(IID_IOleInPlaceObject)) {
        if (FAILED(inPlace->GetWindow(&hwnd))) hwnd = nullptr;
    }
    return hwnd;
}

// ---------------------------------------------------------------------------------------
// The owner's holder.

CBrowserHost::~CBrowserHost() { Destroy(); }

HRESULT CBrowserHost::Create(CBrowserHostOwner* owner, HWND container, const RECT& rect) {
    if (m_site != nullptr) return E_UNEXPECTED;
    if (owner == nullptr || container == nullptr) return E_INVALIDARG;
    CBrowserControlSite* site = owner->CreateBrowserSite();
    if (site == nullptr) site = new CBrowserControlSite(owner);
    site->m_pHandler = owner;
    m_site = site;
    const HRESULT hr = site->Attach(container, rect);
    if (FAILED(hr)) Destroy();
    return hr;
}

void CBrowserHost::Destroy() {
    CBrowserControlSite* site = m_site;
    if (site == nullptr) return;
    m_site = nullptr;
    site->Detach();
    site->Release();
}

void CBrowserHost::SetRect(const RECT& rect) {
    if (m_site != nullptr) m_site->SetRect(rect);
}

void CBrowserHost::Activate() {
    if (m_site == nullptr || !m_site->m_oleObject) return;
    RECT rect = m_site->m_rect;
    m_site->m_oleObject->DoVerb(OLEIVERB_UIACTIVATE, nullptr, m_site, 0, m_site->m_container, &rect);
}

BOOL CBrowserHost::TranslateAccelerator(MSG* msg) {
    if (m_site == nullptr || !m_site->m_activeObject || msg == nullptr) return FALSE;
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return FALSE;
    HWND control = m_site->ControlWindow();
    if (control == nullptr || (msg->hwnd != control && !IsChild(control, msg->hwnd))) return FALSE;
    return m_site->m_activeObject->TranslateAccelerator(msg) == S_OK;
}

IWebBrowser2* CBrowserHost::GetBrowser() const { return m_site != nullptr ? m_site->m_browser.Get() : nullptr; }

HWND CBrowserHost::GetControlWindow() const { return m_site != nullptr ? m_site->ControlWindow() : nullptr; }

IDispatch* CBrowserHost::GetEventSink() const {
    return m_site != nullptr ? static_cast<IDispatch*>(m_site->m_eventSink) : nullptr;
}

bool CBrowserHost::IsTopLevel(IDispatch* disp) const {
    IWebBrowser2* browser = GetBrowser();
    return browser != nullptr && IsSameComObject(disp, browser);
}

HRESULT CBrowserHost::Navigate(const wchar_t* url) {
    IWebBrowser2* browser = GetBrowser();
    if (browser == nullptr) return E_UNEXPECTED;
    VARIANT address;
    VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = SysAllocString(url != nullptr ? url : L"");
    VARIANT empty;
    VariantInit(&empty);
    const HRESULT hr = browser->Navigate2(&address, &empty, &empty, &empty, &empty);
    VariantClear(&address);
    return hr;
}
