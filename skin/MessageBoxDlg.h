#pragma once
// The message box dialog behind ShowMessage: sizes itself to its text.
#include <string>

#include "framework/GdiObject.h"
#include "skin/DlgEx.h"

class CMessageBox : public CDlgEx {
public:
    explicit CMessageBox(CWnd* parent = nullptr);
    ~CMessageBox() override;

    CBitmap m_bmpBack;  // the dialog base's once the box starts
    CBitmap m_bmpClose;
    CBitmap m_bmpBtn1;
    CBitmap m_bmpBtn2;  // empty when both buttons have the first one's picture
    std::wstring m_strText;
    std::wstring m_strTitle;
    int m_nType = 0;
    int m_nLines = 1;
    HFONT m_pFont = nullptr;  // the dialog's font; the dialog owns it
    COLORREF m_crText = 0;
    CBtnEx m_btn1;
    CBtnEx m_btn2;

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    SIZE MeasureText(HDC dc) const;
    void Paint();
};

// Builds, runs and destroys one box. Takes over the four pictures.
int ShowSkinMessageBox(HWND parent, const wchar_t* text, HBITMAP back, HBITMAP close, HBITMAP button1,
                       HBITMAP button2, const wchar_t* title, int type);
