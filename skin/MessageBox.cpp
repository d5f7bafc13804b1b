#include "skin/MessageBox.h"

#include <string>

#include "common/WideText.h"
#include "framework/ScopedDC.h"
#include "skin/DialogGeometry.h"
#include "skin/MessageBoxDlg.h"
#include "skin/MessageBoxLayout.h"
#include "skin/SkinImage.h"

namespace {

constexpr UINT kMessageBoxTemplate = 130;
constexpr UINT kBackPng = 131, kClosePng = 132, kButtonPng = 133;

using vorn::ToU16;
using vorn::ToWide;

vorn::skin::Rect WindowRectOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

CMessageBox::CMessageBox(CWnd* parent) : CDlgEx(kMessageBoxTemplate, parent) {}

CMessageBox::~CMessageBox() = default;

SIZE CMessageBox::MeasureText(HDC dc) const {
    CSelectObject font(dc, m_pFont != nullptr ? m_pFont : GetStockObject(DEFAULT_GUI_FONT));
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, m_strText.c_str(), static_cast<int>(m_strText.size()), &r, DT_CALCRECT | DT_NOPREFIX);
    return SIZE{r.right - r.left, r.bottom - r.top};
}

BOOL CMessageBox::OnInitDialog() {
    CDlgEx::OnInitDialog();
    UseBoxCaptionLayout();
    SetSkin(m_bmpBack.Detach(), 0, 1, m_bmpClose, nullptr, nullptr, nullptr);
    SetTitle(m_strTitle.c_str());

    m_nLines = vorn::skin::MessageLineCount(ToU16(m_strText));
    m_pFont = reinterpret_cast<HFONT>(SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    const SIZE text = MeasureText(CWindowDC(m_hWnd));

    int bw = 0, bh = 0;
    m_bmpBtn1.GetSize(&bw, &bh);
    bw /= 4;
    if (bh < 0) bh = -bh;
    if (bw <= 0 || bh <= 0) {
        // Without its picture a button still needs a size to be clicked and to show its caption.
        bw = 57;
        bh = 23;
    }
    const vorn::skin::Size size = vorn::skin::MessageBoxSize(text.cx, text.cy, m_nLines, bw, bh);

    // Centred on the owner, or on the work area without one.
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    vorn::skin::Rect ownerRect{};
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) ownerRect = WindowRectOf(owner);
    const vorn::skin::Rect at = vorn::skin::CentredRect(size.cx, size.cy, ownerRect.Width() > 0 ? &ownerRect : nullptr,
                                                        {work.left, work.top, work.right, work.bottom});
    SetWindowPos(m_hWnd, nullptr, at.left, at.top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);

    RECT client{};
    GetClientRect(m_hWnd, &client);
    for (const auto& button : vorn::skin::MessageBoxButtons(m_nType, client.right, client.bottom, bw, bh)) {
        CBtnEx& control = button.id == 5000 ? m_btn1 : m_btn2;
        const RECT rect{button.rect.left, button.rect.top, button.rect.right, button.rect.bottom};
        if (!control.Create(L"", WS_CHILD | WS_VISIBLE, rect, this, static_cast<UINT>(button.id))) continue;
        SendMessageW(control.m_hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(m_pFont), FALSE);
        const bool second = button.id != 5000 && m_bmpBtn2.GetSafeHandle() != nullptr;
        control.SetBitmap(second ? m_bmpBtn2.GetSafeHandle() : m_bmpBtn1.GetSafeHandle(), 1);
        control.m_strText = ToWide(button.caption);
        // Also as the window text, so that other programs (and tests) can read the button.
        SetWindowTextW(control.m_hWnd, control.m_strText.c_str());
        InvalidateRect(control.m_hWnd, nullptr, TRUE);
    }
    return TRUE;
}

void CMessageBox::OnOK() {}
void CMessageBox::OnCancel() {}

BOOL CMessageBox::OnCommand(WPARAM wParam, LPARAM lParam) {
    const UINT id = LOWORD(wParam);
    if (id == 5000 || id == 5001) {
        for (const auto& button : vorn::skin::MessageBoxButtons(m_nType, 0, 0, 0, 0)) {
            if (button.id == static_cast<int>(id)) {
                EndDialog(button.result);
                return TRUE;
            }
        }
        return TRUE;  // 5001 of a one-button box: no such button
    }
    return CDlgEx::OnCommand(wParam, lParam);
}

void CMessageBox::Paint() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_hWnd, &ps);
    RECT client{};
    GetClientRect(m_hWnd, &client);
    // One buffer for background, title and message, copied once.
    CMemoryCanvas canvas(dc, client.right, client.bottom);
    if (canvas.ok()) {
        if (!PaintSkin(canvas.dc())) FillRect(canvas.dc(), &client, GetSysColorBrush(COLOR_BTNFACE));
        const SIZE text = MeasureText(canvas.dc());
        HGDIOBJ old = SelectObject(canvas.dc(), m_pFont != nullptr ? m_pFont : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(canvas.dc(), TRANSPARENT);
        SetTextColor(canvas.dc(), m_crText);
        for (const auto& line : vorn::skin::MessageLines(ToU16(m_strText), client.right, text.cx, text.cy)) {
            RECT r{line.rect.left, line.rect.top, line.rect.right, line.rect.bottom};
            const std::wstring wide = ToWide(line.text);
            DrawTextW(canvas.dc(), wide.c_str(), static_cast<int>(wide.size()), &r, DT_NOPREFIX);
        }
        SelectObject(canvas.dc(), old);
        canvas.CopyTo(dc);
    }
    EndPaint(m_hWnd, &ps);
}

LRESULT CMessageBox::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_CLOSE:
        EndDialog(vorn::skin::kCloseResult);
        return 0;
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}

int ShowSkinMessageBox(HWND parent, const wchar_t* text, HBITMAP back, HBITMAP close, HBITMAP button1,
                       HBITMAP button2, const wchar_t* title, int type) {
    CWnd* parentObject = CWnd::FromHandlePermanent(parent);
    CMessageBox box(parentObject);
    if (parentObject == nullptr) box.SetOwnerWindow(parent);
    box.m_bmpBack.Attach(back);
    box.m_bmpClose.Attach(close);
    box.m_bmpBtn1.Attach(button1);
    if (button2 != button1) box.m_bmpBtn2.Attach(button2);
    box.m_strText = text != nullptr ? text : L"";
    box.m_strTitle = title != nullptr ? title : L"";
    box.m_nType = type;
    const INT_PTR result = box.DoModal();
    // A box that could not be created counts as cancelled: callers act only on OK or Yes.
    return result == -1 ? IDCANCEL : static_cast<int>(result);
}

int ShowMessage(int type, const wchar_t* title, const wchar_t* text, HWND parent) {
    HINSTANCE module = GetModuleHandleW(nullptr);
    // Both buttons draw from one strip (each button copies it).
    CBitmap button = LoadSkinPicture(module, kButtonPng);
    const HBITMAP strip = button.Detach();
    return ShowSkinMessageBox(parent, text, LoadSkinPicture(module, kBackPng).Detach(),
                              LoadSkinPicture(module, kClosePng).Detach(), strip, strip, title, type);
}
