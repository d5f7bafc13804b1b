#pragma once
// Stand-ins for the page objects the browser control under Wine never produces: an
// element, its style, an event object and a document with its event connection point.
// They answer the same IDispatch member ids as the real page model.
#include <windows.h>
#include <mshtml.h>
#include <mshtmdid.h>
#include <olectl.h>

#include <map>
#include <string>
#include <vector>

#include "framework/ComPtr.h"

class FakeObject : public IDispatch {
public:
    FakeObject() = default;
    virtual ~FakeObject() {
        for (auto& [id, value] : m_props) VariantClear(&value);
    }

    void Set(DISPID id, const std::wstring& text) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_BSTR;
        v.bstrVal = SysAllocString(text.c_str());
        Store(id, v);
    }
    void Set(DISPID id, long number) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_I4;
        v.lVal = number;
        Store(id, v);
    }
    void Set(DISPID id, IDispatch* object) {
        VARIANT v;
        VariantInit(&v);
        v.vt = VT_DISPATCH;
        v.pdispVal = object;
        object->AddRef();
        Store(id, v);
    }
    // The value last put to a member, as a number; fallback when none was put.
    long PutNumber(DISPID id, long fallback = 12345) const {
        auto it = m_puts.find(id);
        return it == m_puts.end() ? fallback : it->second;
    }
    int PutCount() const { return m_putCount; }
    void ForgetPuts() {
        m_puts.clear();
        m_putCount = 0;
    }
    std::wstring PutText(DISPID id) const {
        auto it = m_putTexts.find(id);
        return it == m_putTexts.end() ? std::wstring() : it->second;
    }
    int Calls(DISPID id) const {
        auto it = m_calls.find(id);
        return it == m_calls.end() ? 0 : it->second;
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IDispatch) {
            *out = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        const ULONG refs = --m_refs;
        if (refs == 0) delete this;
        return refs;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (flags & DISPATCH_PROPERTYPUT) {
            if (params == nullptr || params->cArgs != 1) return E_INVALIDARG;
            VARIANT copy;
            VariantInit(&copy);
            VariantCopy(&copy, &params->rgvarg[0]);
            ++m_putCount;
            if (copy.vt == VT_BSTR) m_putTexts[id] = copy.bstrVal;
            if (SUCCEEDED(VariantChangeType(&copy, &copy, 0, VT_I4))) m_puts[id] = copy.lVal;
            VariantClear(&copy);
            return S_OK;
        }
        if (flags & DISPATCH_METHOD) {
            ++m_calls[id];
            return Method(id, params, result);
        }
        auto it = m_props.find(id);
        if (it == m_props.end()) return DISP_E_MEMBERNOTFOUND;
        return result != nullptr ? VariantCopy(result, &it->second) : S_OK;
    }

protected:
    virtual HRESULT Method(DISPID, DISPPARAMS*, VARIANT*) { return S_OK; }

private:
    void Store(DISPID id, const VARIANT& v) {
        auto it = m_props.find(id);
        if (it != m_props.end()) VariantClear(&it->second);
        m_props[id] = v;
    }

    ULONG m_refs = 1;
    std::map<DISPID, VARIANT> m_props;
    std::map<DISPID, long> m_puts;
    std::map<DISPID, std::wstring> m_putTexts;
    std::map<DISPID, int> m_calls;
    int m_putCount = 0;
};

class FakeElement : public FakeObject {
public:
    FakeElement(const std::wstring& tag, const std::wstring& className, RECT offset = {0, 0, 0, 0})
        : style(new FakeObject) {
        Set(DISPID_IHTMLELEMENT_TAGNAME, tag);
        Set(DISPID_IHTMLELEMENT_CLASSNAME, className);
        Set(DISPID_IHTMLELEMENT_OFFSETLEFT, offset.left);
        Set(DISPID_IHTMLELEMENT_OFFSETTOP, offset.top);
        Set(DISPID_IHTMLELEMENT_OFFSETWIDTH, offset.right - offset.left);
        Set(DISPID_IHTMLELEMENT_OFFSETHEIGHT, offset.bottom - offset.top);
        Set(DISPID_IHTMLELEMENT_STYLE, style.Get());
        style->Release();  // the holder and the property keep it
    }
    bool disabled = false;
    ComPtr<FakeObject> style;

    int Clicks() const { return Calls(DISPID_IHTMLELEMENT_CLICK); }
    long BackgroundX() const { return style->PutNumber(DISPID_IHTMLSTYLE_BACKGROUNDPOSITIONX); }

protected:
    HRESULT Method(DISPID id, DISPPARAMS*, VARIANT* result) override {
        if (id == static_cast<DISPID>(DISPID_IHTMLELEMENT_GETATTRIBUTE) && result != nullptr) {
            VariantInit(result);
            if (disabled) {
                result->vt = VT_BOOL;
                result->boolVal = VARIANT_TRUE;
            }
        }
        return S_OK;
    }
};

// A document: its body, and one connection point for HTMLDocumentEvents2 that keeps the
// sink the dialog connects, so a test can fire page events into it.
class FakeDocument : public FakeObject, public IConnectionPointContainer, public IConnectionPoint {
public:
    FakeDocument() : body(new FakeObject) {
        Set(DISPID_IHTMLDOCUMENT2_BODY, body.Get());
        body->Release();
    }
    ComPtr<FakeObject> body;
    ComPtr<IDispatch> sink;
    int advises = 0, unadvises = 0;

    // Fires one page event from element; answers the result the dialog returned.
    VARIANT Fire(DISPID id, IDispatch* element) {
        FakeObject* event = new FakeObject;
        event->Set(DISPID_IHTMLEVENTOBJ_SRCELEMENT, element);
        VARIANTARG arg;
        VariantInit(&arg);
        arg.vt = VT_DISPATCH;
        arg.pdispVal = event;
        DISPPARAMS params{&arg, nullptr, 1, 0};
        VARIANT result;
        VariantInit(&result);
        if (sink) sink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
        event->Release();
        return result;
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IConnectionPointContainer) {
            *out = static_cast<IConnectionPointContainer*>(this);
        } else if (iid == IID_IConnectionPoint) {
            *out = static_cast<IConnectionPoint*>(this);
        } else {
            return FakeObject::QueryInterface(iid, out);
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return FakeObject::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return FakeObject::Release(); }

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** out) override {
        if (iid != __uuidof(HTMLDocumentEvents2)) return CONNECT_E_NOCONNECTION;
        *out = static_cast<IConnectionPoint*>(this);
        AddRef();
        return S_OK;
    }
    STDMETHODIMP GetConnectionInterface(IID*) override { return E_NOTIMPL; }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer**) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IUnknown* unknown, DWORD* cookie) override {
        sink.Release();
        unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&sink));
        ++advises;
        *cookie = 7;
        return S_OK;
    }
    STDMETHODIMP Unadvise(DWORD) override {
        sink.Release();
        ++unadvises;
        return S_OK;
    }
    STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }
};
