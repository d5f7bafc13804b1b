#include "skin/StaticEx.h"

#include <string>

#include "skin/ControlLayout.h"
#include "skin/SkinImage.h"

namespace {

std::wstring ToWide(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }

}  // namespace

CStaticEx::CStaticEx() = default;
CStaticEx::~CStaticEx() = default;

void CStaticEx::PreSubclassWindow() {
    wchar_t text[1024] = {};
    GetWindowTextW(m_hWnd, text, 1024);
    m_strText = text;
}

BOOL CStaticEx::SetImage(HBITMAP picture) {
    m_bPicRight = 0;
    BITMAP info{};
    if (picture == nullptr || GetObjectW(picture, sizeof info, &info) == 0 || info.bmWidth <= 0) return FALSE;
    const int height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    if (!m_imgPicture.Create(info.bmWidth, height, ILC_COLOR24 | ILC_MASK, 1, 0)) return FALSE;
    if (m_imgPicture.AddMasked(picture, kSkinKeyColour) < 0) return FALSE;
    m_nPicWidth = info.bmWidth;
    m_nPicHeight = height;
    if (m_hWnd != nullptr) InvalidateRect(m_hWnd, nullptr, FALSE);
    return TRUE;
}

void CStaticEx::EnsureFont() {
    if (m_font.GetSafeHandle() != nullptr) return;
    HFONT windowFont = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (windowFont == nullptr) windowFont = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    LOGFONTW font{};
    GetObjectW(windowFont, sizeof font, &font);
    if (m_nFontHeight != 0) font.lfHeight = m_nFontHeight;
    if (m_nFontWeight != -1) font.lfWeight = m_nFontWeight;
    if (m_nFontWidth != 0) font.lfWidth = m_nFontWidth;
    if (m_bUnderline != 0) font.lfUnderline = TRUE;
    lstrcpynW(font.lfFaceName, L"微软雅黑", LF_FACESIZE);
    m_font.CreateFontIndirect(font);
}

void CStaticEx::DrawLabelText(HDC dc) {
    RECT area{};
    GetClientRect(m_hWnd, &area);
    if (m_nPicWidth != 0) {
        if (m_bPicRight) {
            area.right -= m_nPicWidth + 6;
        } else {
            area.left += m_nPicWidth + 6;
        }
    }
    const LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
    // Texts (notices from the service among them) show "&" as written; lines are measured
    // the same way, so what is drawn is what was measured.
    UINT flags = DT_WORDBREAK | DT_NOPREFIX;
    if ((style & SS_TYPEMASK) == SS_CENTER) {
        flags |= DT_CENTER | DT_VCENTER;
    } else if ((style & SS_TYPEMASK) == SS_RIGHT) {
        flags |= DT_RIGHT;
    }
    if ((style & SS_ELLIPSISMASK) == SS_ENDELLIPSIS) flags |= DT_END_ELLIPSIS;
    if ((style & SS_ELLIPSISMASK) == SS_PATHELLIPSIS) flags |= DT_PATH_ELLIPSIS | DT_SINGLELINE;
    if (style & SS_CENTERIMAGE) flags |= DT_SINGLELINE | DT_VCENTER;

    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, (m_bHoverColor && m_bHover) ? m_crHover : m_crText);
    EnsureFont();
    HGDIOBJ oldFont = SelectObject(dc, m_font.GetSafeHandle() != nullptr ? static_cast<HGDIOBJ>(m_font.GetSafeHandle())
                                                                        : GetStockObject(SYSTEM_FONT));

    // A reference width per character from a sample of Chinese text, as the player sees it.
    static const wchar_t kSample[] = L"测试用汉字来获取宽度";
    RECT sample{0, 0, 0, 0};
    DrawTextW(dc, kSample, 10, &sample, DT_CALCRECT | DT_SINGLELINE);
    const int lineHeight = sample.bottom - sample.top;
    const int referenceWidth = (sample.right - sample.left) / 11;
    const int available = area.right - area.left;

    const std::u16string text(m_strText.begin(), m_strText.end());
    const auto lines = vorn::skin::BreakLabelLines(text, available, referenceWidth, [&](std::u16string_view line) {
        const std::wstring wide = ToWide(line);
        RECT r{0, 0, available, lineHeight};
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        return static_cast<int>(r.right - r.left);
    });
    RECT line{area.left, area.top, area.right, area.top + lineHeight};
    for (const auto& lineText : lines) {
        const std::wstring wide = ToWide(lineText);
        RECT r = line;
        DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r, flags);
        OffsetRect(&line, 0, lineHeight + m_nLineSpacing);
    }
    SelectObject(dc, oldFont);

    if (lines.empty()) return;
    const int needed = vorn::skin::LabelHeightNeeded(static_cast<int>(lines.size()), lineHeight, m_nLineSpacing);
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    if (window.bottom - window.top < needed) {
        HWND parent = GetParent(m_hWnd);
        MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&window), 2);
        MoveWindow(m_hWnd, window.left, window.top, window.right - window.left, needed, TRUE);
    }
}

void CStaticEx::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const int w = client.right, h = client.bottom;
    CMemoryCanvas canvas(dc, w, h);
    if (canvas.ok()) {
        const int saved = SaveDC(canvas.dc());
        PaintParentBackground(this, canvas.dc());
        RestoreDC(canvas.dc(), saved);
        const int x = m_bPicRight ? w - m_nPicWidth - 3 : 3;
        const int y = (h - m_nPicHeight) / 2;
        if (m_imgPicture.GetSafeHandle() != nullptr) {
            m_imgPicture.Draw(canvas.dc(), m_nPicIndex, x, y, ILD_TRANSPARENT);
        } else if (m_hIcon != nullptr) {
            DrawIconEx(canvas.dc(), x, y, m_hIcon, 16, 16, 0, nullptr, DI_NORMAL);
        }
        DrawLabelText(canvas.dc());
        canvas.CopyTo(dc);
    }
    EndPaint(m_hWnd, &ps);
}

LRESULT CStaticEx::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_SETCURSOR:
        if (m_bHandCursor) SetCursor(LoadCursorW(nullptr, IDC_HAND));
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
        return 0;
    case WM_MOUSELEAVE:
        m_bHover = 0;
        m_nTracking = 0;
        InvalidateRect(m_hWnd, nullptr, FALSE);
        return 0;
    default:
        break;
    }
    return CStatic::WindowProc(msg, wParam, lParam);
}
