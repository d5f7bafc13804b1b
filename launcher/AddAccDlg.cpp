#include "launcher/AddAccDlg.h"

#include "common/GameMessages.h"
#include "framework/GdiObject.h"
#include "skin/SkinImage.h"

namespace {
constexpr UINT kTemplate = 161;
constexpr UINT kBackPng = 162, kButtonPng = 133;
constexpr int kQuestionId = 1023;
constexpr int kQuestionRight = 272;  // the picture's right margin
}  // namespace

CAddAccDlg::CAddAccDlg() : CDlgEx(kTemplate) {}

void CAddAccDlg::DoDataExchange(CDataExchange* dx) {
    DDX_Control(dx, kQuestionId, m_stcQuestion);
    DDX_Control(dx, IDOK, m_btnYes);
    DDX_Control(dx, IDCANCEL, m_btnNo);
}

BOOL CAddAccDlg::OnInitDialog() {
    CDlgEx::OnInitDialog();
    SetTitle(L"登录其他账号");
    m_nCaptionHeight = 30;
    m_nBorder = 3;
    m_nBtnRightMargin = 5;
    m_nBtnTop = 1;
    m_nBtnSpacing = 0;
    HINSTANCE module = AfxGetInstanceHandle();
    // Exactly the picture's size, and no caption buttons.
    SetSkin(LoadSkinPicture(module, kBackPng).Detach(), 1, 0, nullptr, nullptr, nullptr, nullptr);
    // The picture fixes the pixel layout: the template's rectangles at the 6 x 12 dialog base
    // units (1.5 pixels per unit) the picture was drawn for, whatever font the system
    // gives the dialog (a larger one would push "否" off the picture). The question's
    // longest line only just fits its 240 pixels in the intended face, so it may use the
    // picture's width up to the margin, and a slightly wider face does not wrap it.
    const auto place = [&](CWnd& control, int x, int y, int w, int h) {
        MoveWindow(control.m_hWnd, x * 3 / 2, y * 3 / 2, w * 3 / 2, h * 3 / 2, FALSE);
    };
    place(m_btnYes, 95, 71, 42, 14);
    place(m_btnNo, 141, 71, 42, 14);
    MoveWindow(m_stcQuestion.m_hWnd, 14 * 3 / 2, 31 * 3 / 2, kQuestionRight - 14 * 3 / 2, 30 * 3 / 2, FALSE);
    const CBitmap strip = LoadSkinPicture(module, kButtonPng);  // both buttons keep their own copies
    m_btnYes.SetBitmap(strip, 1);
    m_btnNo.SetBitmap(strip, 1);
    m_stcQuestion.m_nLineSpacing = 5;
    return TRUE;
}

void CAddAccDlg::Answer(WPARAM newTab) {
    PostMessageW(GetParent(m_hWnd), vorn::messages::kAddAccountAnswer, newTab, 0);
    ShowWindow(m_hWnd, SW_HIDE);
}

void CAddAccDlg::OnOK() { Answer(1); }

void CAddAccDlg::OnCancel() { Answer(0); }

LRESULT CAddAccDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_ACTIVATE: {
        const LRESULT result = CDlgEx::WindowProc(msg, wParam, lParam);
        if (LOWORD(wParam) == WA_INACTIVE) ShowWindow(m_hWnd, SW_HIDE);
        return result;
    }
    case WM_NCHITTEST:
        // Not draggable, although the skinned base calls its top band a caption.
        return HTCLIENT;
    default:
        break;
    }
    return CDlgEx::WindowProc(msg, wParam, lParam);
}
