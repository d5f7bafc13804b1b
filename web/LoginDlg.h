#pragma once
// The login page: a hidden, modeless HTML dialog laid exactly over the login background.
// Its pixels of colour #FEFEFE are see-through, so the background's frame shows through a
// page of that colour; it appears when the page has arrived.
#include <string>

#include "web/DHtmDlgEx.h"

class CLoginDlg : public CDHtmDlgEx {
public:
    explicit CLoginDlg(const std::wstring& url);

    std::wstring m_strUrl;  // the page to open

    // The page's own controls in this client area get the mouse instead of a drag.
    static bool IsInReservedArea(POINT client);

protected:
    BOOL OnInitDialog() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void OnNavigateComplete(IDispatch* disp, const wchar_t* url) override;
    // The login commands instead of the base's filter.
    void OnBeforeNavigate2(IDispatch* disp, VARIANT* url, VARIANT* flags, VARIANT* target, VARIANT* postData,
                           VARIANT* headers, VARIANT_BOOL* cancel) override;
    // Dragging only: no button sprites, no context-menu entries.
    DHtmlEventMap GetDHtmlEventMap() const override;
    HRESULT OnDragMouseDown(IDispatch* element) override;
    HRESULT OnDragMouseUp(IDispatch* element) override;
    HRESULT OnDragMouseMove(IDispatch* element) override;

private:
    void DragBackground(UINT ncMessage);
};
