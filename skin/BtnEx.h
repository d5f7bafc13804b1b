#pragma once
// The owner-drawn image button: one of four frames of a picture strip by state (normal,
// hover, pressed, disabled), a caption over it, the parent's background through the
// strip's magenta pixels, hover tracking and an optional tool tip.
#include <string>

#include "framework/Controls.h"
#include "framework/ImageList.h"
#include "framework/ToolTipCtrl.h"

class CBtnEx : public CButton {
public:
    CBtnEx();
    ~CBtnEx() override;

    // Rebuilds the frames from the strip (the caller keeps the bitmap); with resize set, the
    // button takes the size of one frame. Returns 1.
    int SetBitmap(HBITMAP strip, int resize);
    void SetToolTip(const wchar_t* text);

    int m_nTracking = 0;
    int m_bHover = 0;
    RECT m_rcWindow{};
    std::wstring m_strText;
    COLORREF m_crText = 0;
    CImageList m_imgFrames;
    int m_bPressedLook = 0;
    int m_bTipEnabled = 0;
    CToolTipCtrl m_tip;
    std::wstring m_strTip;

    void PreSubclassWindow() override;
    BOOL PreTranslateMessage(MSG* msg) override;
    void DrawItem(LPDRAWITEMSTRUCT item) override;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
