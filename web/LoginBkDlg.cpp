#include "web/LoginBkDlg.h"

// clang-format off
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <algorithm>

#include "common/BuildSettings.h"
#include "framework/GdiObject.h"
#include "framework/ScopedDC.h"
#include "skin/SkinImage.h"

namespace gp = Gdiplus::DllExports;

namespace {
constexpr UINT kLoginTemplate = 157;
constexpr UINT kBackgroundPicture = 129;
}  // namespace

CLoginBkDlg::CLoginBkDlg(CWnd* parent, const std::wstring& loginUrl)
    : CDialog(kLoginTemplate, parent), m_dlgLogin(loginUrl) {
    m_decoder.Attach(CreateThread(nullptr, 0, &CLoginBkDlg::DecodePicture, this, 0, nullptr));
}

CLoginBkDlg::~CLoginBkDlg() {
    // A dialog that never initialised still owns its decoder's picture.
    if (m_decoder) WaitForSingleObject(m_decoder.get(), INFINITE);
    if (m_pDecoded != nullptr) gp::GdipDisposeImage(m_pDecoded);
    if (m_pBkImage != nullptr) gp::GdipDisposeImage(m_pBkImage);
}

DWORD WINAPI CLoginBkDlg::DecodePicture(void* self) {
    static_cast<CLoginBkDlg*>(self)->m_pDecoded = LoadPngResourceImage(AfxGetInstanceHandle(), kBackgroundPicture);
    return 0;
}

void CLoginBkDlg::TakeDecodedPicture() {
    if (m_decoder) {
        WaitForSingleObject(m_decoder.get(), INFINITE);
        m_decoder.Close();
    } else if (m_pDecoded == nullptr) {
        m_pDecoded = LoadPngResourceImage(AfxGetInstanceHandle(), kBackgroundPicture);
    }
    if (m_pBkImage != nullptr) gp::GdipDisposeImage(m_pBkImage);
    m_pBkImage = m_pDecoded;
    m_pDecoded = nullptr;
}

BOOL CLoginBkDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    SetWindowTextW(m_hWnd, vorn::build::kWindowTitle);
    TakeDecodedPicture();
    m_nBkWidth = m_nBkHeight = 0;
    if (m_pBkImage != nullptr) {
        gp::GdipGetImageWidth(m_pBkImage, &m_nBkWidth);
        gp::GdipGetImageHeight(m_pBkImage, &m_nBkHeight);
    }
    PlaceOverOwner();
    PaintLayered();
    // The layered window holds its own copy of the pixels: the decoded picture is not
    // needed again.
    if (m_pBkImage != nullptr) gp::GdipDisposeImage(m_pBkImage);
    m_pBkImage = nullptr;
    // The background is on screen before the browser control of the page is built, the
    // slowest step of a game process's start; the modal loop activates it afterwards as
    // before.
    if (m_nBkWidth != 0) ShowWindow(m_hWnd, SW_SHOWNOACTIVATE);
    m_dlgLogin.Create(kLoginTemplate, this);
    // Shown before the page existed, the background placed nothing: the page takes its
    // place now, and then follows every move.
    PlacePage();
    SetWindowLongW(m_hWnd, GWL_STYLE, GetWindowLongW(m_hWnd, GWL_STYLE) | WS_MINIMIZEBOX);
    return FALSE;
}

void CLoginBkDlg::PlacePage() {
    if (m_dlgLogin.m_hWnd == nullptr || !IsWindow(m_dlgLogin.m_hWnd)) return;
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    MoveWindow(m_dlgLogin.m_hWnd, window.left, window.top, window.right - window.left, window.bottom - window.top,
               TRUE);
}

void CLoginBkDlg::PlaceOverOwner() {
    // A modal dialog that has not placed itself is centred over its owner, as the
    // system's modal boxes are, and kept on the screen; the picture decides the size. An
    // owner too small to centre over (the launcher keeps itself at one pixel until its
    // first game arrives), hidden or minimised leaves the screen's work area to centre on.
    const int width = static_cast<int>(m_nBkWidth);
    const int height = static_cast<int>(m_nBkHeight);
    if (width == 0 || height == 0) return;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT area = work;
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    RECT ownerRect{};
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner) && GetWindowRect(owner, &ownerRect) &&
        ownerRect.right - ownerRect.left >= width && ownerRect.bottom - ownerRect.top >= height) {
        area = ownerRect;
    }
    int x = area.left + (area.right - area.left - width) / 2;
    int y = area.top + (area.bottom - area.top - height) / 2;
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void CLoginBkDlg::PaintLayered() {
    if (m_pBkImage == nullptr || m_nBkWidth == 0 || m_nBkHeight == 0) return;
    const int width = static_cast<int>(m_nBkWidth);
    const int height = static_cast<int>(m_nBkHeight);
    CWindowDC windowDc(m_hWnd);
    CMemoryDC memoryDc(windowDc);
    // A 32-bit top-down section holding premultiplied alpha, which is what the layered
    // window blends with: GDI+ converts the picture into its bits, or draws it there.
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CBitmap section(CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (section.GetSafeHandle() != nullptr && bits != nullptr) {
        CSelectObject selected(memoryDc, section);
        Gdiplus::GpBitmap* canvas = nullptr;
        if (!CopyPremultiplied(m_pBkImage, bits, width, height) &&
            gp::GdipCreateBitmapFromScan0(width, height, width * 4, PixelFormat32bppPARGB, static_cast<BYTE*>(bits),
                                          &canvas) == Gdiplus::Ok) {
            Gdiplus::GpGraphics* graphics = nullptr;
            if (gp::GdipGetImageGraphicsContext(canvas, &graphics) == Gdiplus::Ok) {
                gp::GdipDrawImageRectI(graphics, m_pBkImage, 0, 0, width, height);
                gp::GdipDeleteGraphics(graphics);
            }
            gp::GdipDisposeImage(canvas);
        }
        const LONG exStyle = GetWindowLongW(m_hWnd, GWL_EXSTYLE);
        if ((exStyle & WS_EX_LAYERED) == 0) SetWindowLongW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        RECT window{};
        GetWindowRect(m_hWnd, &window);
        POINT destination{window.left, window.top};
        SIZE size{width, height};
        POINT source{0, 0};
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
        UpdateLayeredWindow(m_hWnd, windowDc, &destination, &size, memoryDc, &source, 0xFFFFFFFF, &blend, ULW_ALPHA);
    }
}

BOOL CLoginBkDlg::PreTranslateMessage(MSG* msg) {
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_RETURN) return TRUE;
    return CDialog::PreTranslateMessage(msg);
}

LRESULT CLoginBkDlg::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_LBUTTONDOWN: {
        const LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
        // Pressing on the visible frame drags the window.
        POINT cursor{};
        GetCursorPos(&cursor);
        SendMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(cursor.x, cursor.y));
        return result;
    }
    case WM_WINDOWPOSCHANGED: {
        const LRESULT result = CDialog::WindowProc(msg, wParam, lParam);
        // The page follows every move and has the background's size. The rectangle, not
        // the message's position, is read: a change of z-order alone carries no position.
        PlacePage();
        return result;
    }
    default:
        break;
    }
    return CDialog::WindowProc(msg, wParam, lParam);
}
