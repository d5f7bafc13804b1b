#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "SkinTestSupport.h"
#include "skin/DlgEx.h"

namespace {

// A resizable skinned dialog set up like the main window.
class SkinDialog : public CDlgEx {
public:
    SkinDialog() : CDlgEx(200) {}

protected:
    BOOL OnInitDialog() override {
        CDlgEx::OnInitDialog();
        UseBoxCaptionLayout();
        m_bResizable = 1;
        HBITMAP close = LoadSkinBitmap(Self(), 132), minimize = LoadSkinBitmap(Self(), 136);
        SetSkin(LoadSkinBitmap(Self(), 134), 0, 1, close, minimize, LoadSkinBitmap(Self(), 135),
                LoadSkinBitmap(Self(), 137));
        // Close and minimise strips stay the caller's.
        DeleteObject(close);
        DeleteObject(minimize);
        SetTitle(L"皮肤测试");
        return TRUE;
    }
};

RECT WindowRectOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r;
}

RECT WorkArea() {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

class SkinDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dialog.Create(200));
        ShowWindow(dialog.m_hWnd, SW_SHOWNORMAL);
        MoveWindow(dialog.m_hWnd, 100, 80, 400, 260, TRUE);
    }
    LRESULT HitAt(int x, int y) {
        RECT r = WindowRectOf(dialog.m_hWnd);
        return SendMessageW(dialog.m_hWnd, WM_NCHITTEST, 0, MAKELPARAM(r.left + x, r.top + y));
    }
    SkinDialog dialog;
};

}  // namespace

TEST_F(SkinDialogTest, FrameIsGoneAndCornersAreRounded) {
    EXPECT_EQ(GetWindowLongW(dialog.m_hWnd, GWL_STYLE) & WS_CAPTION, 0);
    RECT client{};
    GetClientRect(dialog.m_hWnd, &client);
    EXPECT_EQ(client.right, 400);
    EXPECT_EQ(client.bottom, 260);
    HRGN region = CreateRectRgn(0, 0, 0, 0);
    ASSERT_NE(GetWindowRgn(dialog.m_hWnd, region), ERROR);
    for (POINT cut : {POINT{0, 0}, POINT{399, 0}, POINT{0, 259}, POINT{399, 259}, POINT{1, 0}, POINT{0, 1}}) {
        EXPECT_FALSE(PtInRegion(region, cut.x, cut.y)) << cut.x << "," << cut.y;
    }
    for (POINT kept : {POINT{4, 4}, POINT{200, 0}, POINT{0, 130}, POINT{10, 10}, POINT{395, 255}}) {
        EXPECT_TRUE(PtInRegion(region, kept.x, kept.y)) << kept.x << "," << kept.y;
    }
    DeleteObject(region);
}

TEST_F(SkinDialogTest, EdgesSizeAndTheCaptionDrags) {
    EXPECT_EQ(HitAt(0, 0), HTTOPLEFT);
    EXPECT_EQ(HitAt(399, 259), HTBOTTOMRIGHT);
    EXPECT_EQ(HitAt(2, 100), HTLEFT);
    EXPECT_EQ(HitAt(398, 100), HTRIGHT);
    EXPECT_EQ(HitAt(200, 1), HTTOP);
    EXPECT_EQ(HitAt(200, 15), HTCAPTION);
    EXPECT_EQ(HitAt(200, 257), HTBOTTOM);
    EXPECT_EQ(HitAt(200, 130), HTCLIENT);
}

TEST_F(SkinDialogTest, MaximiseFillsTheWorkAreaAndRestoreReturns) {
    const RECT work = WorkArea();
    dialog.ToggleMaximize();
    EXPECT_TRUE(dialog.m_bMaximized);
    EXPECT_TRUE(SameRect(WindowRectOf(dialog.m_hWnd), work));
    EXPECT_FALSE(IsZoomed(dialog.m_hWnd));  // never the system's maximised state
    // A maximised window neither moves nor sizes.
    EXPECT_EQ(HitAt(0, 0), HTCLIENT);
    EXPECT_EQ(HitAt(200, 15), HTCLIENT);
    // A double-click on the caption restores to the eighth-inset rectangle.
    SendMessageW(dialog.m_hWnd, WM_LBUTTONDBLCLK, 0, MAKELPARAM(200, 10));
    EXPECT_FALSE(dialog.m_bMaximized);
    const int w = work.right - work.left, h = work.bottom - work.top;
    const RECT normal{work.left + w / 8, work.top + h / 8, work.right - w / 8, work.bottom - h / 8};
    EXPECT_TRUE(SameRect(WindowRectOf(dialog.m_hWnd), normal));
    // And a double-click on the caption of the normal window maximises again.
    SendMessageW(dialog.m_hWnd, WM_NCLBUTTONDBLCLK, HTCAPTION, 0);
    EXPECT_TRUE(dialog.m_bMaximized);
    EXPECT_TRUE(SameRect(WindowRectOf(dialog.m_hWnd), work));
}

TEST_F(SkinDialogTest, CaptionButtonsStayFlushRightAfterResizing) {
    for (int width : {400, 640, 333}) {
        SCOPED_TRACE(width);
        MoveWindow(dialog.m_hWnd, 50, 50, width, 300, TRUE);
        const RECT window = WindowRectOf(dialog.m_hWnd);
        const RECT close = WindowRectOf(dialog.m_btnClose.m_hWnd);
        const RECT maximize = WindowRectOf(dialog.m_btnMax.m_hWnd);
        const RECT minimize = WindowRectOf(dialog.m_btnMin.m_hWnd);
        EXPECT_EQ(close.right, window.right);
        EXPECT_EQ(close.top, window.top);
        EXPECT_EQ(close.right - close.left, 33);
        EXPECT_EQ(maximize.right, close.left);
        EXPECT_EQ(minimize.right, maximize.left);
        EXPECT_EQ(minimize.right - minimize.left, 27);
    }
}

TEST_F(SkinDialogTest, TheMaximiseButtonSwapsToTheRestoreLook) {
    SendMessageW(dialog.m_btnMax.m_hWnd, BM_CLICK, 0, 0);
    EXPECT_TRUE(dialog.m_bMaximized);
    EXPECT_EQ(dialog.m_btnMax.m_strTip, L"还原");
    SendMessageW(dialog.m_btnMax.m_hWnd, BM_CLICK, 0, 0);
    EXPECT_FALSE(dialog.m_bMaximized);
    EXPECT_EQ(dialog.m_btnMax.m_strTip, L"最大化");
}

// A second skin recreates the caption buttons; each new button must be the tool of its
// tip (the old tip, still naming the dead button, would never show) and no tip may linger.
TEST_F(SkinDialogTest, ButtonsRecreatedByANewSkinKeepTheirToolTips) {
    const HWND oldClose = dialog.m_btnClose.m_hWnd;
    HBITMAP close = LoadSkinBitmap(Self(), 132), minimize = LoadSkinBitmap(Self(), 136);
    dialog.SetSkin(LoadSkinBitmap(Self(), 134), 0, 1, close, minimize, LoadSkinBitmap(Self(), 135),
                   LoadSkinBitmap(Self(), 137));
    DeleteObject(close);
    DeleteObject(minimize);
    ASSERT_FALSE(IsWindow(oldClose));

    const struct {
        CBtnEx* button;
        const wchar_t* tip;
    } buttons[] = {{&dialog.m_btnClose, L"关闭"}, {&dialog.m_btnMax, L"最大化"}, {&dialog.m_btnMin, L"最小化"}};
    for (const auto& b : buttons) {
        SCOPED_TRACE(testing::Message() << b.tip);
        const HWND tip = b.button->m_tip.m_hWnd;
        ASSERT_TRUE(IsWindow(tip));
        EXPECT_EQ(SendMessageW(tip, TTM_GETTOOLCOUNT, 0, 0), 1);
        wchar_t text[80] = {};
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.lpszText = text;
        ASSERT_TRUE(SendMessageW(tip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&info)));
        EXPECT_EQ(info.hwnd, b.button->m_hWnd);
        // Hovering puts the text into the tool: only a tool of the live button takes it.
        SendMessageW(b.button->m_hWnd, WM_MOUSEHOVER, 0, 0);
        TOOLINFOW query{};
        query.cbSize = sizeof query;
        query.hwnd = b.button->m_hWnd;
        query.lpszText = text;
        text[0] = 0;
        SendMessageW(tip, TTM_GETTEXTW, 80, reinterpret_cast<LPARAM>(&query));
        EXPECT_STREQ(text, b.tip);
    }
    int tips = 0;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND hwnd, LPARAM count) {
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (lstrcmpiW(name, TOOLTIPS_CLASSW) == 0) ++*reinterpret_cast<int*>(count);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&tips));
    EXPECT_EQ(tips, 3);
}

TEST_F(SkinDialogTest, BackgroundIsPaintedFromThePictureWithTheTitleInTheCaption) {
    HBITMAP picture = LoadSkinBitmap(Self(), 134);
    CMemoryCanvas target(nullptr, 400, 260);
    ASSERT_TRUE(dialog.PaintSkin(target.dc()));
    // Corner pieces 1:1, the body stretched from the picture's middle.
    EXPECT_EQ(GetPixel(target.dc(), 0, 5), PixelOf(picture, 0, 5));
    EXPECT_EQ(GetPixel(target.dc(), 399, 258), PixelOf(picture, 29, 49));
    EXPECT_EQ(GetPixel(target.dc(), 200, 150), PixelOf(picture, 15, 40));
    // The title: drawn in the caption band, left of the buttons, and only there.
    dialog.m_bShowTitle = 0;
    CMemoryCanvas untitled(nullptr, 400, 260);
    ASSERT_TRUE(dialog.PaintSkin(untitled.dc()));
    int inCaption = 0, elsewhere = 0;
    for (int y = 0; y < 260; ++y) {
        for (int x = 0; x < 400; ++x) {
            if (GetPixel(target.dc(), x, y) == GetPixel(untitled.dc(), x, y)) continue;
            (y < 30 && x < 120 ? inCaption : elsewhere) += 1;
        }
    }
    EXPECT_GT(inCaption, 30);
    EXPECT_EQ(elsewhere, 0);
    DeleteObject(picture);
}
