#pragma once
// A progress bar drawn from a trough and a fill picture; the filled part always shows both
// rounded ends of the fill picture.
#include "framework/Controls.h"
#include "framework/GdiObject.h"

class CImgProgress : public CProgressCtrl {
public:
    CImgProgress();
    ~CImgProgress() override;

    // Takes over both pictures (one picture may be both) and sizes the control to the
    // trough. Returns 1.
    int SetImages(HBITMAP trough, HBITMAP fill);

    HBITMAP Trough() const { return m_bmpTrough; }
    HBITMAP Fill() const { return m_bFillIsTrough ? m_bmpTrough.GetSafeHandle() : m_bmpFill.GetSafeHandle(); }

    RECT m_rcCtrl{};
    RECT m_rcFill{};

    // Paints the whole bar (parent background, trough, fill) into dc at (0, 0).
    void PaintBar(HDC dc);

protected:
    CBitmap m_bmpTrough;
    CBitmap m_bmpFill;  // empty when the trough's picture is the fill's too
    bool m_bFillIsTrough = false;

    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
