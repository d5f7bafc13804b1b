#include "skin/BtnEx.h"

#include <commctrl.h>

#include "skin/ControlLayout.h"
#include "skin/SkinImage.h"

CBtnEx::CBtnEx() = default;

CBtnEx::~CBtnEx() {
    if (m_tip.m_hWnd != nullptr) m_tip.DestroyWindow();
}

void CBtnEx::PreSubclassWindow() {
    wchar_t text[256] = {};
    GetWindowTextW(m_hWnd, text, 256);
    m_strText = text;
    const LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
    SetWindowLongW(m_hWnd, GWL_STYLE, (style & ~BS_TYPEMASK) | BS_OWNERDRAW);
    GetWindowRect(m_hWnd, &m_rcWindow);
}

int CBtnEx::SetBitmap(HBITMAP strip, int resize) {
    BITMAP info{};
    if (strip != nullptr && GetObjectW(strip, sizeof info, &info) != 0 && info.bmWidth >= 4) {
        const int frameWidth = info.bmWidth / 4, frameHeight = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
        if (m_imgFrames.Create(frameWidth, frameHeight, ILC_COLOR24 | ILC_MASK, 4, 0)) {
            m_imgFrames.AddMasked(strip, kSkinKeyColour);
        }
        if (resize && m_hWnd != nullptr) {
            SetWindowPos(m_hWnd, nullptr, 0, 0, frameWidth, frameHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    } else {
        m_imgFrames.DeleteImageList();  // a null picture draws no picture
    }
    if (m_hWnd != nullptr) {
        GetWindowRect(m_hWnd, &m_rcWindow);
        InvalidateRect(m_hWnd, nullptr, FALSE);
    }
    return 1;
}

void CBtnEx::SetToolTip(const wchar_t* text) {
    m_strTip = text != nullptr ? text : L"";
    m_bTipEnabled = 1;
    if (m_tip.m_hWnd == nullptr && m_hWnd != nullptr) {
        if (m_tip.Create(this, TTS_ALWAYSTIP)) {
            m_tip.AddTool(this, LPSTR_TEXTCALLBACKW, 0);
            m_tip.SetDelayTime(TTDT_AUTOMATIC, 660);
        }
    }
}

BOOL CBtnEx::PreTranslateMessage(MSG* msg) {
    if (m_bTipEnabled) m_tip.RelayEvent(msg);
    return CButton::PreTranslateMessage(msg);
}

void CBtnEx::DrawItem(LPDRAWITEMSTRUCT item) {
    if (item == nullptr) return;
    bool pressed = m_bPressedLook != 0;
    const int frame = vorn::skin::ChooseButtonFrame(item->itemState, m_bHover != 0, pressed);
    m_bPressedLook = pressed ? 1 : 0;

    const int width = m_rcWindow.right - m_rcWindow.left, height = m_rcWindow.bottom - m_rcWindow.top;
    CMemoryCanvas canvas(item->hDC, width, height);
    if (!canvas.ok()) return;
    PaintParentBackground(this, canvas.dc());

    int frameWidth = 0, frameHeight = 0;
    if (m_imgFrames.GetImageSize(&frameWidth, &frameHeight)) {
        if (frameWidth == width && frameHeight == height) {
            m_imgFrames.Draw(canvas.dc(), frame, 0, 0, ILD_TRANSPARENT);
        } else {
            // Stretch through a keyed buffer, so the transparent parts stay transparent.
            CMemoryCanvas one(canvas.dc(), frameWidth, frameHeight);
            if (one.ok()) {
                CBrush key(CreateSolidBrush(kSkinKeyColour));
                RECT all{0, 0, frameWidth, frameHeight};
                FillRect(one.dc(), &all, key);
                m_imgFrames.Draw(one.dc(), frame, 0, 0, ILD_TRANSPARENT);
                TransparentBlt(canvas.dc(), 0, 0, width, height, one.dc(), 0, 0, frameWidth, frameHeight,
                               kSkinKeyColour);
            }
        }
    }
    if (!m_strText.empty()) {
        SetBkMode(canvas.dc(), TRANSPARENT);
        SetTextColor(canvas.dc(), frame == vorn::skin::kFrameDisabled ? GetSysColor(COLOR_GRAYTEXT) : m_crText);
        HFONT font = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
        if (font == nullptr) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        CSelectObject selected(canvas.dc(), font);
        RECT client{};
        GetClientRect(m_hWnd, &client);
        DrawTextW(canvas.dc(), m_strText.c_str(), static_cast<int>(m_strText.size()), &client,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    canvas.CopyTo(item->hDC);
}

LRESULT CBtnEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_MOUSEMOVE:
        if (m_nTracking == 0) {
            TRACKMOUSEEVENT track{sizeof track, TME_HOVER | TME_LEAVE, m_hWnd, 10};
            m_nTracking = _TrackMouseEvent(&track);
        }
        break;
    case WM_MOUSEHOVER:
        m_bHover = 1;
        InvalidateRect(m_hWnd, nullptr, FALSE);
        if (m_bTipEnabled) m_tip.UpdateTipText(m_strTip.c_str(), this, 0);
        return 0;
    case WM_MOUSELEAVE:
        m_bHover = 0;
        m_nTracking = 0;
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONUP:
        m_bPressedLook = 0;
        break;
    case WM_DESTROY:
        // The tip is a pop-up owned by the top-level window, so it would outlive this
        // button with its tool still naming the dead window; the next SetToolTip creates
        // one for the button's new window.
        if (m_tip.m_hWnd != nullptr) m_tip.DestroyWindow();
        break;
    case WM_SIZE:
        // The buffer follows the button's size, also when its owner resizes it directly.
        GetWindowRect(m_hWnd, &m_rcWindow);
        break;
    default:
        break;
    }
    return CButton::WindowProc(msg, wParam, lParam);
}
