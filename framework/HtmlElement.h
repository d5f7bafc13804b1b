#pragma once
// The few page-object operations the HTML windows use, done through each object's
// IDispatch with the document model's standard member ids: the same calls reach a real
// page element and a test's stand-in object.
#include <windows.h>
#include <oaidl.h>

#include <string>

#include "framework/ComPtr.h"

namespace html {

HRESULT GetProperty(IDispatch* object, DISPID id, VARIANT* out);
HRESULT PutProperty(IDispatch* object, DISPID id, const VARIANT& value);
// args in declaration order.
HRESULT CallMethod(IDispatch* object, DISPID id, const VARIANT* args, UINT count, VARIANT* result);

// A string property; empty when it is missing or not a string.
std::wstring GetText(IDispatch* object, DISPID id);
// A number property; fallback when it is missing or not a number.
long GetLong(IDispatch* object, DISPID id, long fallback = 0);
// An object property (the document's body, an element's style, an event's source).
ComPtr<IDispatch> GetObject(IDispatch* object, DISPID id);

// Element operations.
std::wstring ClassName(IDispatch* element);
std::wstring TagName(IDispatch* element);
// offsetLeft, offsetTop to offsetLeft + offsetWidth, offsetTop + offsetHeight.
RECT OffsetRect(IDispatch* element);
// getAttribute(name, 0) gave a VT_BOOL variant that is true.
bool AttributeIsTrue(IDispatch* element, const wchar_t* name);
HRESULT Click(IDispatch* element);
// style.backgroundPositionX as a number of pixels.
HRESULT SetBackgroundPositionX(IDispatch* element, long pixels);

// The event object's source element.
ComPtr<IDispatch> EventSource(IDispatch* eventObject);
// document.body.scroll = text.
HRESULT SetBodyScroll(IDispatch* document, const wchar_t* text);

}  // namespace html
