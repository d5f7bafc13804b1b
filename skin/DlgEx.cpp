#include "skin/DlgEx.h"

#include <optional>
#include <string>
#include <vector>

#include "framework/ScopedDC.h"
#include "skin/DialogGeometry.h"
#include "skin/SkinImage.h"

namespace {

constexpr UINT kCloseId = 50000, kMinimizeId = 50001, kMaximizeId = 50002;

vorn::skin::Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
RECT ToRECT(const vorn::skin::Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

RECT WorkArea() {
    RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

int ButtonWidth(const CBtnEx& button) {
    if (button.m_hWnd == nullptr) return 0;
    RECT r{};
    GetWindowRect(button.m_hWnd, &r);
    return r.right - r.left;
}

}  // namespace

CDlgEx::CDlgEx(UINT templateId, CWnd* parent) : CDialog(templateId, parent) {}

CDlgEx::~CDlgEx() {
    // End the window while the skin's pictures and buttons still exist for its last messages.
    if (m_hWnd != nullptr) DestroyWindow();
}

BOOL CDlgEx::OnInitDialog() {
    CDialog::OnInitDialog();
    const LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
    SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~(WS_CAPTION | DS_MODALFRAME)) | WS_MINIMIZEBOX);
    const LONG exStyle = GetWindowLongW(m_hWnd, GWL_EXSTYLE);
    SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle & ~(WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE));
    // The frame is gone only once the system recomputes it.
    SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);

    const RECT work = WorkArea();
    m_nMaxWidth = work.right - work.left;
    m_nMaxHeight = work.bottom - work.top;
    m_rcNormal = ToRECT(vorn::skin::DefaultNormalRect(ToRect(work)));
    return TRUE;
}

void CDlgEx::CreateSystemButton(CBtnEx& button, UINT id, HBITMAP strip, int right, const wchar_t* tip) {
    if (button.m_hWnd != nullptr) button.DestroyWindow();
    // A new window starts without the old one's mouse state.
    button.m_bHover = button.m_nTracking = button.m_bPressedLook = 0;
    BITMAP info{};
    GetObjectW(strip, sizeof info, &info);
    const int width = info.bmWidth / 4, height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    const RECT rect{right - width, m_nBtnTop, right, m_nBtnTop + height};
    if (!button.Create(L"", WS_CHILD | WS_VISIBLE, rect, this, id)) return;
    button.SetBitmap(strip, 0);
    button.SetToolTip(tip);
}

int CDlgEx::SetSkin(HBITMAP background, int resizeToPicture, int stretch, HBITMAP close, HBITMAP minimize,
                    HBITMAP maximize, HBITMAP restore) {
    m_bStretch = stretch;
    m_bmpBack.Attach(background);
    RECT layout{};
    int pw = 0, ph = 0;
    if (resizeToPicture && m_bmpBack.GetSize(&pw, &ph) && m_hWnd != nullptr) {
        SetWindowPos(m_hWnd, nullptr, 0, 0, pw, ph, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        layout = RECT{0, 0, pw, ph};
    } else if (m_hWnd != nullptr) {
        GetClientRect(m_hWnd, &layout);
    }
    RebuildRegion();

    int x = layout.right - m_nBtnRightMargin;
    if (close != nullptr) {
        CreateSystemButton(m_btnClose, kCloseId, close, x, L"关闭");
    }
    if (maximize != nullptr) {
        x -= ButtonWidth(m_btnClose) + m_nBtnSpacing;
        CreateSystemButton(m_btnMax, kMaximizeId, maximize, x, L"最大化");
        // Kept for swapping the button's look; the dialog owns these two.
        m_bmpMaxPic.Attach(maximize);
        m_bmpRestorePic.Attach(restore);
    }
    if (minimize != nullptr) {
        x -= (m_btnMax.m_hWnd != nullptr ? ButtonWidth(m_btnMax) : ButtonWidth(m_btnClose)) + m_nBtnSpacing;
        CreateSystemButton(m_btnMin, kMinimizeId, minimize, x, L"最小化");
    }
    if (m_hWnd != nullptr) InvalidateRect(m_hWnd, nullptr, TRUE);
    return 1;
}

HFONT CDlgEx::CreateTitleFont(LOGFONTW* used) const {
    HFONT dialogFont = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (dialogFont == nullptr) dialogFont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTW font{};
    GetObjectW(dialogFont, sizeof font, &font);
    font.lfWeight = m_nTitleWeight;
    lstrcpynW(font.lfFaceName, L"微软雅黑", LF_FACESIZE);
    if (used != nullptr) *used = font;
    return CreateFontIndirectW(&font);
}

void CDlgEx::UseBoxCaptionLayout() {
    m_nCaptionHeight = 30;
    m_nBorder = 4;
    m_nBtnRightMargin = 0;
    m_nBtnTop = 0;
    m_nBtnSpacing = 0;
}

void CDlgEx::SetTitle(const wchar_t* title) {
    if (m_hWnd == nullptr) return;
    SetWindowTextW(m_hWnd, title != nullptr ? title : L"");
    const bool icon = SendMessageW(m_hWnd, WM_GETICON, ICON_SMALL, 0) != 0;
    LOGFONTW logFont{};
    CFont font;
    font.Attach(CreateTitleFont(&logFont));
    const vorn::skin::Point origin =
        vorn::skin::TitleOrigin(icon, m_nBorder, m_nCaptionHeight, logFont.lfHeight);
    RECT client{};
    GetClientRect(m_hWnd, &client);
    RECT area{origin.x, origin.y, client.right, origin.y};
    const std::wstring text = title != nullptr ? title : L"";
    RECT measured = area;
    {
        CWindowDC dc(m_hWnd);
        CSelectObject selected(dc, font);
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &measured, DT_CALCRECT | DT_SINGLELINE);
    }
    // The whole band to the right edge: a shorter new title must wipe the old one.
    area.bottom = measured.bottom;
    InvalidateRect(m_hWnd, &area, TRUE);
}

void CDlgEx::RebuildRegion() {
    if (m_hWnd == nullptr || m_bmpBack.GetSafeHandle() == nullptr) return;
    CBitmapSource picture(m_bmpBack);
    if (!picture.ok()) return;
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    const int w = window.right - window.left, h = window.bottom - window.top;
    const auto cut = vorn::skin::CornerCutPixels(w, h, picture.width(), picture.height(), [&](int x, int y) {
        return GetPixel(picture.dc(), x, y) == kSkinKeyColour;
    });
    CRgn region(CreateRectRgn(0, 0, w, h));
    for (const auto& p : cut) {
        CRgn pixel(CreateRectRgn(p.x, p.y, p.x + 1, p.y + 1));
        CombineRgn(region, region, pixel, RGN_DIFF);
    }
    // The window owns the region once it takes it.
    if (SetWindowRgn(m_hWnd, region, FALSE)) region.Detach();
}

BOOL CDlgEx::PaintSkin(HDC target) {
    if (m_bmpBack.GetSafeHandle() == nullptr || m_hWnd == nullptr) return FALSE;
    CBitmapSource picture(m_bmpBack);
    if (!picture.ok()) return FALSE;
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    const int w = window.right - window.left, h = window.bottom - window.top;
    // A memory DC is off screen already: the skin goes straight into it. A screen DC gets
    // a buffer for only the part it may change (a transparent control asks for its own
    // rectangle), not for the whole window: a maximised window's is megabytes.
    const bool offScreen = GetObjectType(target) == OBJ_MEMDC;
    RECT area{0, 0, w, h};
    RECT clip{};
    if (!offScreen && GetClipBox(target, &clip) != ERROR && !IntersectRect(&area, &area, &clip)) return TRUE;
    std::optional<CMemoryCanvas> buffer;
    HDC dc = target;
    if (offScreen) {
        SaveDC(dc);
    } else {
        buffer.emplace(target, area.right - area.left, area.bottom - area.top);
        if (!buffer->ok()) return FALSE;
        dc = buffer->dc();
        SetWindowOrgEx(dc, area.left, area.top, nullptr);
    }
    SetStretchBltMode(dc, COLORONCOLOR);
    for (const auto& piece : vorn::skin::BackgroundPieces(w, h, picture.width(), picture.height(), m_nBorder,
                                                          m_nCaptionHeight, m_bStretch != 0)) {
        if (piece.dw == piece.sw && piece.dh == piece.sh) {
            BitBlt(dc, piece.dx, piece.dy, piece.dw, piece.dh, picture.dc(), piece.sx, piece.sy, SRCCOPY);
        } else {
            StretchBlt(dc, piece.dx, piece.dy, piece.dw, piece.dh, picture.dc(), piece.sx, piece.sy, piece.sw,
                       piece.sh, SRCCOPY);
        }
    }
    HICON icon = reinterpret_cast<HICON>(SendMessageW(m_hWnd, WM_GETICON, ICON_SMALL, 0));
    const bool iconDrawn = icon != nullptr && m_bShowIcon;
    if (iconDrawn) {
        const vorn::skin::Point at = vorn::skin::IconOrigin(m_nBorder, m_nCaptionHeight);
        DrawIconEx(dc, at.x, at.y, icon, 16, 16, 0, nullptr, DI_NORMAL);
    }
    if (m_bShowTitle) {
        LOGFONTW logFont{};
        CFont font;
        font.Attach(CreateTitleFont(&logFont));
        const vorn::skin::Point at =
            vorn::skin::TitleOrigin(iconDrawn, m_nBorder, m_nCaptionHeight, logFont.lfHeight);
        wchar_t title[512] = {};
        const int length = GetWindowTextW(m_hWnd, title, 512);
        CSelectObject selected(dc, font);
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, m_crTitle);
        TextOutW(dc, at.x, at.y, title, length);
    }
    if (offScreen) {
        RestoreDC(dc, -1);
    } else {
        SetWindowOrgEx(dc, 0, 0, nullptr);
        buffer->CopyTo(target, area.left, area.top);
    }
    return TRUE;
}

LRESULT CDlgEx::OnNcHitTest(WPARAM wParam, LPARAM lParam) {
    const LRESULT standard = DefWindowProc(WM_NCHITTEST, wParam, lParam);
    POINT point{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ScreenToClient(m_hWnd, &point);
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const int code = vorn::skin::SkinHitTest(point.x, point.y, client.right, client.bottom, m_nBorder,
                                             m_nCaptionHeight, m_bResizable != 0, m_bMaximized != 0);
    return code == vorn::skin::kHitDefault ? standard : code;
}

void CDlgEx::PlaceSystemButtons() {
    CBtnEx* order[] = {&m_btnClose, &m_btnMax, &m_btnMin};
    std::vector<vorn::skin::Rect> current;
    std::vector<int> widths;
    for (CBtnEx* button : order) {
        RECT r{};
        if (button->m_hWnd != nullptr) {
            GetWindowRect(button->m_hWnd, &r);
            MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&r), 2);
        }
        current.push_back(ToRect(r));
        widths.push_back(button->m_hWnd != nullptr ? r.right - r.left : 0);
    }
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const auto placed =
        vorn::skin::PlaceCaptionButtons(client.right - m_nBtnRightMargin, current, widths, -1, 0);
    for (size_t i = 0; i < placed.size(); ++i) {
        if (widths[i] <= 0) continue;
        SetWindowPos(order[i]->m_hWnd, nullptr, placed[i].left, placed[i].top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void CDlgEx::OnSkinClose() { PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }

void CDlgEx::OnSkinMinimize() { PostMessageW(m_hWnd, WM_SYSCOMMAND, SC_MINIMIZE, 0); }

void CDlgEx::ToggleMaximize() {
    if (m_hWnd == nullptr) return;
    if (m_bMaximized) {
        MoveWindow(m_hWnd, m_rcNormal.left, m_rcNormal.top, m_rcNormal.right - m_rcNormal.left,
                   m_rcNormal.bottom - m_rcNormal.top, TRUE);
        UpdateMaxButton(FALSE);
    } else {
        const RECT target = ToRECT(vorn::skin::MaximizedRect(ToRect(WorkArea()), m_nMaxWidth, m_nMaxHeight));
        MoveWindow(m_hWnd, target.left, target.top, target.right - target.left, target.bottom - target.top, TRUE);
        UpdateMaxButton(TRUE);
    }
    m_btnMax.m_bHover = 0;
    m_btnMax.m_nTracking = 0;
    m_bMaximized = !m_bMaximized;
}

void CDlgEx::UpdateMaxButton(BOOL restoreLook) {
    if (m_btnMax.m_hWnd == nullptr) return;
    HBITMAP picture = restoreLook ? m_bmpRestorePic.GetSafeHandle() : m_bmpMaxPic.GetSafeHandle();
    if (picture != nullptr) m_btnMax.SetBitmap(picture, 0);
    m_btnMax.SetToolTip(restoreLook ? L"还原" : L"最大化");
}

BOOL CDlgEx::OnCommand(WPARAM wParam, LPARAM lParam) {
    switch (LOWORD(wParam)) {
    case kCloseId:
        OnSkinClose();
        return TRUE;
    case kMinimizeId:
        OnSkinMinimize();
        return TRUE;
    case kMaximizeId:
        ToggleMaximize();
        return TRUE;
    default:
        return CDialog::OnCommand(wParam, lParam);
    }
}

LRESULT CDlgEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        if (m_bmpBack.GetSafeHandle() == nullptr) break;
        return PaintSkin(reinterpret_cast<HDC>(wParam));
    case WM_NCHITTEST:
        return OnNcHitTest(wParam, lParam);
    case WM_NCLBUTTONDOWN: {
        const unsigned command = vorn::skin::SizingCommand(static_cast<int>(wParam));
        if (command != 0) {
            SendMessageW(m_hWnd, WM_SYSCOMMAND, command, lParam);
        } else {
            DefWindowProc(msg, wParam, lParam);
        }
        // Whatever the drag did becomes the rectangle that restoring returns to.
        if (m_hWnd != nullptr && !m_bMaximized) GetWindowRect(m_hWnd, &m_rcNormal);
        return 0;
    }
    case WM_NCLBUTTONDBLCLK:
        if (wParam == HTCAPTION && m_bResizable) {
            ToggleMaximize();
            return 0;
        }
        break;
    case WM_LBUTTONDBLCLK: {
        const int y = static_cast<short>(HIWORD(lParam));
        if (m_bMaximized && ((y >= 0 && y < m_nCaptionHeight) || m_nCaptionHeight == -1)) ToggleMaximize();
        break;
    }
    case WM_SIZE: {
        const LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
        if (m_bmpBack.GetSafeHandle() != nullptr) {
            RebuildRegion();
            InvalidateRect(m_hWnd, nullptr, TRUE);
            PlaceSystemButtons();
        }
        return result;
    }
    default:
        break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}
