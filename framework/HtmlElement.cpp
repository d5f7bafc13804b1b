#include "framework/HtmlElement.h"

#include <mshtmdid.h>

#include <algorithm>
#include <vector>

namespace html {

HRESULT GetProperty(IDispatch* object, DISPID id, VARIANT* out) {
    if (object == nullptr || out == nullptr) return E_POINTER;
    VariantInit(out);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, out, nullptr, nullptr);
}

HRESULT PutProperty(IDispatch* object, DISPID id, const VARIANT& value) {
    if (object == nullptr) return E_POINTER;
    VARIANT arg = value;  // shallow: Invoke does not take ownership
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{&arg, &named, 1, 1};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

HRESULT CallMethod(IDispatch* object, DISPID id, const VARIANT* args, UINT count, VARIANT* result) {
    if (object == nullptr) return E_POINTER;
    std::vector<VARIANTARG> reversed(args, args + count);
    std::reverse(reversed.begin(), reversed.end());
    DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, count, 0};
    VARIANT ignored;
    VariantInit(&ignored);
    const HRESULT hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                      result != nullptr ? result : &ignored, nullptr, nullptr);
    VariantClear(&ignored);
    return hr;
}

std::wstring GetText(IDispatch* object, DISPID id) {
    VARIANT value;
    std::wstring text;
    if (SUCCEEDED(GetProperty(object, id, &value)) && value.vt == VT_BSTR && value.bstrVal != nullptr) {
        text.assign(value.bstrVal, SysStringLen(value.bstrVal));
    }
    VariantClear(&value);
    return text;
}

long GetLong(IDispatch* object, DISPID id, long fallback) {
    VARIANT value;
    long number = fallback;
    if (SUCCEEDED(GetProperty(object, id, &value)) && SUCCEEDED(VariantChangeType(&value, &value, 0, VT_I4))) {
        number = value.lVal;
    }
    VariantClear(&value);
    return number;
}

ComPtr<IDispatch> GetObject(IDispatch* object, DISPID id) {
    VARIANT value;
    ComPtr<IDispatch> result;
    if (SUCCEEDED(GetProperty(object, id, &value)) && value.vt == VT_DISPATCH) result = value.pdispVal;
    VariantClear(&value);
    return result;
}

std::wstring ClassName(IDispatch* element) { return GetText(element, DISPID_IHTMLELEMENT_CLASSNAME); }

std::wstring TagName(IDispatch* element) { return GetText(element, DISPID_IHTMLELEMENT_TAGNAME); }

RECT OffsetRect(IDispatch* element) {
    const long left = GetLong(element, DISPID_IHTMLELEMENT_OFFSETLEFT);
    const long top = GetLong(element, DISPID_IHTMLELEMENT_OFFSETTOP);
    return RECT{left, top, left + GetLong(element, DISPID_IHTMLELEMENT_OFFSETWIDTH),
                top + GetLong(element, DISPID_IHTMLELEMENT_OFFSETHEIGHT)};
}

bool AttributeIsTrue(IDispatch* element, const wchar_t* name) {
    VARIANT args[2];
    VariantInit(&args[0]);
    args[0].vt = VT_BSTR;
    args[0].bstrVal = SysAllocString(name);
    VariantInit(&args[1]);
    args[1].vt = VT_I4;
    args[1].lVal = 0;
    VARIANT result;
    VariantInit(&result);
    const HRESULT hr = CallMethod(element, DISPID_IHTMLELEMENT_GETATTRIBUTE, args, 2, &result);
    const bool isTrue = SUCCEEDED(hr) && result.vt == VT_BOOL && result.boolVal != VARIANT_FALSE;
    VariantClear(&args[0]);
    VariantClear(&result);
    return isTrue;
}

HRESULT Click(IDispatch* element) { return CallMethod(element, DISPID_IHTMLELEMENT_CLICK, nullptr, 0, nullptr); }

HRESULT SetBackgroundPositionX(IDispatch* element, long pixels) {
    ComPtr<IDispatch> style = GetObject(element, DISPID_IHTMLELEMENT_STYLE);
    if (!style) return E_NOINTERFACE;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_I4;
    value.lVal = pixels;
    return PutProperty(style, DISPID_IHTMLSTYLE_BACKGROUNDPOSITIONX, value);
}

ComPtr<IDispatch> EventSource(IDispatch* eventObject) {
    return GetObject(eventObject, DISPID_IHTMLEVENTOBJ_SRCELEMENT);
}

HRESULT SetBodyScroll(IDispatch* document, const wchar_t* text) {
    ComPtr<IDispatch> body = GetObject(document, DISPID_IHTMLDOCUMENT2_BODY);
    if (!body) return E_NOINTERFACE;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(text);
    const HRESULT hr = PutProperty(body, DISPID_IHTMLBODYELEMENT_SCROLL, value);
    VariantClear(&value);
    return hr;
}

}  // namespace html
