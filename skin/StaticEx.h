#pragma once
// A label that can carry a small picture or icon, wraps its text by measured width, grows
// to fit it, changes colour on hover and can show the hand cursor.
#include <string>

#include "framework/Controls.h"
#include "framework/GdiObject.h"
#include "framework/ImageList.h"

class CStaticEx : public CStatic {
public:
    CStaticEx();
    ~CStaticEx() override;

    // Copies the picture (the caller keeps it) and puts it on the left; nonzero when accepted.
    BOOL SetImage(HBITMAP picture);

    std::wstring m_strText;
    int m_nFontWidth = 0;
    int m_nFontWeight = -1;
    int m_nFontHeight = 0;
    int m_bHandCursor = 0;
    int m_bUnderline = 0;
    CFont m_font;
    COLORREF m_crText = 0;
    COLORREF m_crHover = 0;
    int m_nLineSpacing = 3;
    int m_bHoverColor = 0;
    int m_bHover = 0;
    int m_nTracking = 0;
    HICON m_hIcon = nullptr;
    CImageList m_imgPicture;
    int m_nPicWidth = 0;
    int m_nPicHeight = 0;
    int m_bPicRight = 0;
    int m_nPicIndex = 0;

    void PreSubclassWindow() override;
    // Lays the text out into dc line by line and grows the control when it needs more height.
    virtual void DrawLabelText(HDC dc);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void Paint();
    void EnsureFont();
};
