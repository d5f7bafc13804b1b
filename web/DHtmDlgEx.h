#pragma once
// The base of dialogs whose whole client area is a page made to look like a native
// window: no context menu, no text selection, no script-error boxes; "button" elements
// drawn from a three-frame sprite with the click delivered by the dialog; a press on the
// page background drags the window; "app:" addresses never load.
#include "framework/ComPtr.h"
#include "framework/DHtmlDialog.h"

class CDHtmDlgEx : public CDHtmlDialog {
public:
    explicit CDHtmDlgEx(UINT templateId = 0, CWnd* parent = nullptr);
    ~CDHtmDlgEx() override;

    // The page's own message boxes and help requests, offered by the browser site first.
    // S_FALSE lets the browser show its own.
    virtual HRESULT OnShowMessage(HWND hwnd, LPOLESTR text, LPOLESTR caption, DWORD type, LPOLESTR helpFile,
                                  DWORD helpContext, LRESULT* result);
    virtual HRESULT OnShowHelp(HWND hwnd, LPOLESTR helpFile, UINT command, DWORD data, POINT mouse, IDispatch* hit);

    // The "button" element pressed and holding the mouse capture, or empty.
    ComPtr<IDispatch> m_pPressedElement;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
    BOOL CreateControlSite(CBrowserControlSite** site) override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    BOOL CanAccessExternal() override;
    void OnNavigateComplete(IDispatch* disp, const wchar_t* url) override;
    BOOL IsExternalDispatchSafe() override;
    HRESULT ShowContextMenu(DWORD id, POINT* point, IUnknown* target, IDispatch* object) override;
    HRESULT GetHostInfo(DOCHOSTUIINFO* info) override;
    void OnNavigateError(IDispatch* disp, VARIANT* url, VARIANT* frame, VARIANT* statusCode,
                         VARIANT_BOOL* cancel) override;
    // The navigation filter: "app:" is cancelled, "javascript" allowed.
    void OnBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                           VARIANT* headers, VARIANT_BOOL* cancel) override;
    DHtmlEventMap GetDHtmlEventMap() const override;

    HRESULT OnButtonMouseOut(IDispatch* element);
    HRESULT OnButtonMouseOver(IDispatch* element);
    HRESULT OnButtonMouseDown(IDispatch* element);
    HRESULT OnButtonMouseUp(IDispatch* element);
    virtual HRESULT OnDragMouseDown(IDispatch* element);
    virtual HRESULT OnDragMouseUp(IDispatch* element);
    virtual HRESULT OnDragMouseMove(IDispatch* element);
    HRESULT OnCancelContextMenu(IDispatch* element);

private:
    bool IsCapturing() const;
    void ShowHoverLook(IDispatch* element);
    void SendDragMessage(UINT ncMessage);
};
