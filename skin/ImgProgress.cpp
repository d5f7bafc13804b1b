#include "skin/ImgProgress.h"

#include "skin/ControlLayout.h"
#include "skin/SkinImage.h"

CImgProgress::CImgProgress() = default;

CImgProgress::~CImgProgress() = default;

int CImgProgress::SetImages(HBITMAP trough, HBITMAP fill) {
    // The pictures held before go, except one handed in again (in either role).
    CBitmap oldTrough(m_bmpTrough.Detach()), oldFill(m_bmpFill.Detach());
    if (oldTrough == trough || oldTrough == fill) oldTrough.Detach();
    if (oldFill == trough || oldFill == fill) oldFill.Detach();
    m_bmpTrough.Attach(trough);
    m_bFillIsTrough = fill != nullptr && fill == trough;
    if (!m_bFillIsTrough) m_bmpFill.Attach(fill);
    BITMAP t{}, f{};
    if (trough != nullptr) GetObjectW(trough, sizeof t, &t);
    if (fill != nullptr) GetObjectW(fill, sizeof f, &f);
    const int th = t.bmHeight < 0 ? -t.bmHeight : t.bmHeight, fh = f.bmHeight < 0 ? -f.bmHeight : f.bmHeight;
    if (m_hWnd != nullptr && t.bmWidth > 0) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, t.bmWidth, th, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    m_rcCtrl = RECT{0, 0, t.bmWidth, th};
    const int dx = (t.bmWidth - f.bmWidth) / 2, dy = (th - fh) / 2;
    m_rcFill = RECT{dx, dy, dx + f.bmWidth, dy + fh};
    if (m_hWnd != nullptr) InvalidateRect(m_hWnd, nullptr, FALSE);
    return 1;
}

void CImgProgress::PaintBar(HDC dc) {
    PaintParentBackground(this, dc);
    if (Trough() != nullptr) {
        CBitmapSource trough(Trough());
        if (trough.ok()) {
            TransparentBlt(dc, 0, 0, m_rcCtrl.right, m_rcCtrl.bottom, trough.dc(), 0, 0, trough.width(),
                           trough.height(), kSkinKeyColour);
        }
    }
    if (Fill() == nullptr) return;
    CBitmapSource fill(Fill());
    if (!fill.ok()) return;
    int lower = 0, upper = 0;
    GetRange(lower, upper);
    const int width = m_rcFill.right - m_rcFill.left, height = m_rcFill.bottom - m_rcFill.top;
    const vorn::skin::FillColumns columns = vorn::skin::ProgressFill(width, lower, upper, GetPos());
    if (columns.left > 0) {
        TransparentBlt(dc, m_rcFill.left, m_rcFill.top, columns.left, height, fill.dc(), 0, 0, columns.left, height,
                       kSkinKeyColour);
    }
    if (columns.right > 0) {
        TransparentBlt(dc, m_rcFill.left + columns.left, m_rcFill.top, columns.right, height, fill.dc(),
                       columns.rightSource, 0, columns.right, height, kSkinKeyColour);
    }
}

LRESULT CImgProgress::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_hWnd, &ps);
        CMemoryCanvas canvas(dc, m_rcCtrl.right, m_rcCtrl.bottom);
        if (canvas.ok()) {
            PaintBar(canvas.dc());
            canvas.CopyTo(dc);
        }
        EndPaint(m_hWnd, &ps);
        return 0;
    }
    default:
        break;
    }
    return CProgressCtrl::WindowProc(msg, wParam, lParam);
}
