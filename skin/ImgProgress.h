#pragma once
// A progress bar drawn from a trough and a fill picture; the filled part always shows both
// rounded ends of the fill picture.
#include "framework/Controls.h"

class CImgProgress : public CProgressCtrl {
public:
    CImgProgress();
    ~CImgProgress() override;

    // Takes over both pictures and sizes the control to the trough. Returns 1.
    int SetImages(HBITMAP trough, HBITMAP fill);

    HBITMAP m_hTrough = nullptr;
    HBITMAP m_hFill = nullptr;
    RECT m_rcCtrl{};
    RECT m_rcFill{};

    // Paints the whole bar (parent background, trough, fill) into dc at (0, 0).
    void PaintBar(HDC dc);

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};
