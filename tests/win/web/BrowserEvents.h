#pragma once
// Fires DWebBrowserEvents2 events into a sink packed exactly as the control packs them
// (arguments last first, the address and the cancel flag by reference), for the events
// the control under Wine never fires.
#include <windows.h>
#include <exdispid.h>

#include <string>

#include "framework/BrowserHost.h"

inline HRESULT FireNavigateComplete2(CBrowserHost& host, IDispatch* disp, const std::wstring& url,
                                     DISPID id = DISPID_NAVIGATECOMPLETE2) {
    VARIANT address;
    VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = SysAllocString(url.c_str());
    VARIANTARG args[2];
    VariantInit(&args[0]);
    args[0].vt = VT_BYREF | VT_VARIANT;
    args[0].pvarVal = &address;
    VariantInit(&args[1]);
    args[1].vt = VT_DISPATCH;
    args[1].pdispVal = disp;
    DISPPARAMS params{args, nullptr, 2, 0};
    const HRESULT hr = host.GetEventSink()->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
    VariantClear(&address);
    return hr;
}

// BeforeNavigate2 from `disp` (the browser, or one of its frames); true when the handler
// cancelled the navigation.
inline bool FireBeforeNavigate2(CBrowserHost& host, IDispatch* disp, const std::wstring& url) {
    VARIANT address;
    VariantInit(&address);
    address.vt = VT_BSTR;
    address.bstrVal = SysAllocString(url.c_str());
    VARIANT empty[4];
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG args[7];
    for (VARIANTARG& arg : args) VariantInit(&arg);
    for (VARIANT& e : empty) VariantInit(&e);
    args[0].vt = VT_BYREF | VT_BOOL;  // the last argument first
    args[0].pboolVal = &cancel;
    for (int i = 1; i <= 4; ++i) {
        args[i].vt = VT_BYREF | VT_VARIANT;
        args[i].pvarVal = &empty[i - 1];
    }
    args[5].vt = VT_BYREF | VT_VARIANT;
    args[5].pvarVal = &address;
    args[6].vt = VT_DISPATCH;
    args[6].pdispVal = disp;
    DISPPARAMS params{args, nullptr, 7, 0};
    host.GetEventSink()->Invoke(DISPID_BEFORENAVIGATE2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr,
                                nullptr);
    VariantClear(&address);
    return cancel != VARIANT_FALSE;
}

inline HRESULT FireDocumentComplete(CBrowserHost& host, IDispatch* disp, const std::wstring& url) {
    return FireNavigateComplete2(host, disp, url, DISPID_DOCUMENTCOMPLETE);
}

inline HRESULT FireTitleChange(CBrowserHost& host, const std::wstring& title) {
    VARIANTARG arg;
    VariantInit(&arg);
    arg.vt = VT_BSTR;
    arg.bstrVal = SysAllocString(title.c_str());
    DISPPARAMS params{&arg, nullptr, 1, 0};
    const HRESULT hr = host.GetEventSink()->Invoke(DISPID_TITLECHANGE, IID_NULL, 0, DISPATCH_METHOD, &params,
                                                   nullptr, nullptr, nullptr);
    VariantClear(&arg);
    return hr;
}

// Pumps this thread's messages (through the framework's pre-translation) until done() or
// the time limit; true when done() became true.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs = 10000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    return true;
}
