#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "SkinTestSupport.h"
#include "skin/BtnEx.h"
#include "skin/ImgProgress.h"
#include "skin/StaticEx.h"

namespace {

constexpr int kFrameW = 57, kFrameH = 23;

// Draws the button in the given item state into a buffer of its size and answers the pixel.
class ButtonPainter {
public:
    explicit ButtonPainter(CBtnEx& button) : m_button(button) {}
    COLORREF Paint(UINT state, int x, int y) {
        RECT r{};
        GetClientRect(m_button.m_hWnd, &r);
        CMemoryCanvas target(nullptr, r.right, r.bottom);
        DRAWITEMSTRUCT item{ODT_BUTTON, 1, 0, ODA_DRAWENTIRE, state, m_button.m_hWnd, target.dc(), r, 0};
        m_button.DrawItem(&item);
        return GetPixel(target.dc(), x, y);
    }

private:
    CBtnEx& m_button;
};

COLORREF FramePixel(HBITMAP strip, int frame, int x, int y) { return PixelOf(strip, frame * kFrameW + x, y); }

}  // namespace

TEST(ImageButton, EachStateDrawsItsFrameOverTheParentsBackground) {
    GreenParent parent;
    HBITMAP strip = LoadSkinBitmap(Self(), 133);
    ASSERT_NE(strip, nullptr);
    CBtnEx button;
    ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE, RECT{10, 10, 200, 200}, &parent, 1));
    button.SetBitmap(strip, 1);
    RECT r{};
    GetWindowRect(button.m_hWnd, &r);
    EXPECT_EQ(r.right - r.left, kFrameW);
    EXPECT_EQ(r.bottom - r.top, kFrameH);

    ButtonPainter painter(button);
    // The strip's magenta corner shows the parent; the middle shows the frame of the state.
    EXPECT_EQ(painter.Paint(0, 0, 0), kParentGreen);
    EXPECT_EQ(painter.Paint(0, 28, 11), FramePixel(strip, 0, 28, 11));
    button.m_bHover = 1;
    EXPECT_EQ(painter.Paint(0, 28, 11), FramePixel(strip, 1, 28, 11));
    EXPECT_EQ(painter.Paint(ODS_SELECTED, 28, 11), FramePixel(strip, 2, 28, 11));
    // Dragged off (no longer selected): pressed until the button is released.
    EXPECT_EQ(painter.Paint(0, 28, 11), FramePixel(strip, 2, 28, 11));
    SendMessageW(button.m_hWnd, WM_LBUTTONUP, 0, MAKELPARAM(500, 500));
    EXPECT_EQ(painter.Paint(0, 28, 11), FramePixel(strip, 1, 28, 11));
    // Disabled wins over hover.
    EXPECT_EQ(painter.Paint(ODS_DISABLED, 28, 11), FramePixel(strip, 3, 28, 11));
    // The caller's strip is unchanged by building the frames: magenta stays magenta.
    EXPECT_EQ(PixelOf(strip, 0, 0), kSkinKeyColour);
    DeleteObject(strip);
}

TEST(ImageButton, ALargerButtonStretchesTheFrameAndKeepsItTransparent) {
    GreenParent parent;
    HBITMAP strip = LoadSkinBitmap(Self(), 133);
    CBtnEx button;
    ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE, RECT{10, 10, 10 + 2 * kFrameW, 10 + 2 * kFrameH}, &parent, 1));
    button.SetBitmap(strip, 0);
    ButtonPainter painter(button);
    EXPECT_EQ(painter.Paint(0, 0, 0), kParentGreen);
    EXPECT_EQ(painter.Paint(0, 2 * kFrameW - 1, 2 * kFrameH - 1), kParentGreen);
    EXPECT_EQ(painter.Paint(0, 56, 22), FramePixel(strip, 0, 28, 11));
    DeleteObject(strip);
}

TEST(ImageButton, CaptionIsDrawnInItsColourAndGreyWhenDisabled) {
    GreenParent parent;
    HBITMAP strip = LoadSkinBitmap(Self(), 133);
    CBtnEx button;
    ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE, RECT{10, 10, 67, 33}, &parent, 1));
    button.SetBitmap(strip, 1);
    button.m_strText = L"确定";
    button.m_crText = RGB(200, 0, 0);
    auto count = [&](UINT state, COLORREF colour) {
        RECT r{};
        GetClientRect(button.m_hWnd, &r);
        CMemoryCanvas target(nullptr, r.right, r.bottom);
        DRAWITEMSTRUCT item{ODT_BUTTON, 1, 0, ODA_DRAWENTIRE, state, button.m_hWnd, target.dc(), r, 0};
        button.DrawItem(&item);
        int n = 0;
        for (int y = 0; y < r.bottom; ++y) {
            for (int x = 0; x < r.right; ++x) n += GetPixel(target.dc(), x, y) == colour;
        }
        return n;
    };
    EXPECT_GT(count(0, RGB(200, 0, 0)), 3);
    EXPECT_EQ(count(ODS_DISABLED, RGB(200, 0, 0)), 0);
    EXPECT_GT(count(ODS_DISABLED, GetSysColor(COLOR_GRAYTEXT)), 3);
    DeleteObject(strip);
}

TEST(ImageButton, ASecondToolTipChangesTheTextOnly) {
    GreenParent parent;
    CBtnEx button;
    ASSERT_TRUE(button.Create(L"", WS_CHILD | WS_VISIBLE, RECT{10, 10, 67, 33}, &parent, 1));
    button.SetToolTip(L"关闭");
    const HWND tip = button.m_tip.m_hWnd;
    ASSERT_NE(tip, nullptr);
    button.SetToolTip(L"最大化");
    EXPECT_EQ(button.m_tip.m_hWnd, tip);
    EXPECT_EQ(button.m_strTip, L"最大化");
    int tips = 0;
    EnumThreadWindows(GetCurrentThreadId(), [](HWND hwnd, LPARAM count) {
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (lstrcmpiW(name, TOOLTIPS_CLASSW) == 0) ++*reinterpret_cast<int*>(count);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&tips));
    EXPECT_EQ(tips, 1);
}

TEST(ImageProgress, FillShowsBothEndsOfThePictureAtEveryPosition) {
    GreenParent parent;
    CImgProgress bar;
    ASSERT_TRUE(bar.Create(WS_CHILD | WS_VISIBLE, RECT{5, 5, 100, 20}, &parent, 7));
    HBITMAP trough = LoadSkinBitmap(Self(), 152), fill = LoadSkinBitmap(Self(), 153);
    HBITMAP troughCopy = LoadSkinBitmap(Self(), 152), fillCopy = LoadSkinBitmap(Self(), 153);
    EXPECT_EQ(bar.SetImages(trough, fill), 1);
    RECT r{};
    GetWindowRect(bar.m_hWnd, &r);
    EXPECT_EQ(r.right - r.left, 390);
    EXPECT_EQ(r.bottom - r.top, 21);
    bar.SetRange32(0, 100);
    const int row = 10;
    auto expected = [&](int filled, int x) {
        // What the bar shows at column x for `filled` columns: the fill's left half, then its
        // right end, and the trough beyond (and wherever the fill is transparent).
        const int half = filled / 2;
        COLORREF f = CLR_INVALID;
        if (x < half) f = PixelOf(fillCopy, x, row);
        else if (x < filled) f = PixelOf(fillCopy, 390 - (filled - half) + (x - half), row);
        if (f != CLR_INVALID && f != kSkinKeyColour) return f;
        const COLORREF t = PixelOf(troughCopy, x, row);
        return t == kSkinKeyColour ? kParentGreen : t;
    };
    for (int pos : {0, 50, 100}) {
        SCOPED_TRACE(pos);
        bar.SetPos(pos);
        CMemoryCanvas target(nullptr, 390, 21);
        bar.PaintBar(target.dc());
        const int filled = 390 * pos / 100;
        for (int x : {0, 1, 5, 50, 96, 97, 150, 194, 195, 200, 300, 388, 389}) {
            EXPECT_EQ(GetPixel(target.dc(), x, row), expected(filled, x)) << "column " << x;
        }
    }
    // Half way, column 97 of the bar is column 292 of the picture.
    bar.SetPos(50);
    CMemoryCanvas target(nullptr, 390, 21);
    bar.PaintBar(target.dc());
    EXPECT_EQ(GetPixel(target.dc(), 97, row), PixelOf(fillCopy, 292, row));
    EXPECT_NE(PixelOf(fillCopy, 150, row), PixelOf(troughCopy, 150, row));
    DeleteObject(troughCopy);
    DeleteObject(fillCopy);
}

namespace {

int LineHeightOf(CStaticEx& label) {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, label.m_font.GetSafeHandle());
    RECT sample{0, 0, 0, 0};
    DrawTextW(dc, L"测试用汉字来获取宽度", 10, &sample, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return sample.bottom;
}

int HeightOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return r.bottom - r.top;
}

}  // namespace

TEST(ImageStatic, ALabelGrowsToFitItsLines) {
    GreenParent parent;
    CStaticEx label;
    ASSERT_TRUE(label.Create(L"", WS_CHILD | WS_VISIBLE | SS_LEFT, RECT{10, 10, 210, 30}, &parent, 3));
    label.m_strText = L"第一行\n第二行\r\n第三行";
    CMemoryCanvas target(nullptr, 200, 100);
    label.DrawLabelText(target.dc());
    const int line = LineHeightOf(label);
    ASSERT_GT(line, 0);
    EXPECT_EQ(HeightOf(label.m_hWnd), line + 2 * (line + 3));
    RECT r{};
    GetWindowRect(label.m_hWnd, &r);
    MapWindowPoints(nullptr, parent.m_hWnd, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 10);
    EXPECT_EQ(r.right, 210);
}

TEST(ImageStatic, CharactersWiderThanTheLabelEachGetALineAndNarrowLabelsDrawNothing) {
    GreenParent parent;
    CStaticEx probe;
    ASSERT_TRUE(probe.Create(L"", WS_CHILD | SS_LEFT, RECT{0, 0, 200, 20}, &parent, 4));
    CMemoryCanvas scratch(nullptr, 200, 20);
    probe.DrawLabelText(scratch.dc());  // creates the font
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, probe.m_font.GetSafeHandle());
    RECT sample{0, 0, 0, 0}, wide{0, 0, 0, 0};
    DrawTextW(dc, L"测试用汉字来获取宽度", 10, &sample, DT_CALCRECT | DT_SINGLELINE);
    DrawTextW(dc, L"测", 1, &wide, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int reference = sample.right / 11, line = sample.bottom;
    ASSERT_LT(reference, wide.right);

    // As wide as one reference character, narrower than any real one: a line each, and it ends.
    CStaticEx label;
    ASSERT_TRUE(label.Create(L"", WS_CHILD | SS_LEFT, RECT{0, 0, reference, 10}, &parent, 5));
    label.m_strText = L"测测测";
    CMemoryCanvas target(nullptr, reference, 100);
    label.DrawLabelText(target.dc());
    EXPECT_EQ(HeightOf(label.m_hWnd), line + 2 * (line + 3));

    CStaticEx narrow;
    ASSERT_TRUE(narrow.Create(L"", WS_CHILD | SS_LEFT, RECT{0, 0, reference - 1, 10}, &parent, 6));
    narrow.m_strText = L"测试\n测试";
    narrow.m_crText = RGB(255, 0, 0);
    CMemoryCanvas blank(nullptr, 20, 10);
    RECT all{0, 0, 20, 10};
    FillRect(blank.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    narrow.DrawLabelText(blank.dc());
    EXPECT_EQ(HeightOf(narrow.m_hWnd), 10);
    int coloured = 0;
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 20; ++x) coloured += GetPixel(blank.dc(), x, y) != RGB(255, 255, 255);
    }
    EXPECT_EQ(coloured, 0);
}

// Notice texts may carry "&": it is shown as written, and the lines are broken where the
// measured width says. The first line is made exactly as wide as "R&D公告" measures, so the
// label must draw that, then "通知" on the next line, and nothing else (no underline).
TEST(ImageStatic, AmpersandIsDrawnAsWrittenOnTheLinesItWasMeasuredFor) {
    GreenParent parent;
    CStaticEx label;
    ASSERT_TRUE(label.Create(L"", WS_CHILD | SS_LEFT, RECT{0, 0, 200, 10}, &parent, 8));
    CMemoryCanvas scratch(nullptr, 200, 10);
    label.DrawLabelText(scratch.dc());  // creates the font
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, label.m_font.GetSafeHandle());
    RECT first{0, 0, 0, 0};
    DrawTextW(dc, L"R&D公告", -1, &first, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    const int width = first.right, line = LineHeightOf(label);
    ASSERT_GT(width, 0);
    MoveWindow(label.m_hWnd, 0, 0, width, 10, FALSE);

    label.m_strText = L"R&D公告通知";
    const int height = line + (line + 3);
    auto blank = [&](CMemoryCanvas& canvas) {
        RECT all{0, 0, width, height};
        FillRect(canvas.dc(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    };
    CMemoryCanvas drawn(nullptr, width, height);
    blank(drawn);
    label.DrawLabelText(drawn.dc());
    EXPECT_EQ(HeightOf(label.m_hWnd), height);

    CMemoryCanvas expected(nullptr, width, height);
    blank(expected);
    SetBkMode(expected.dc(), TRANSPARENT);
    SetTextColor(expected.dc(), RGB(0, 0, 0));
    old = SelectObject(expected.dc(), label.m_font.GetSafeHandle());
    RECT r1{0, 0, width, line}, r2{0, line + 3, width, line + 3 + line};
    DrawTextW(expected.dc(), L"R&D公告", -1, &r1, DT_SINGLELINE | DT_NOPREFIX);
    DrawTextW(expected.dc(), L"通知", -1, &r2, DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(expected.dc(), old);
    int differing = 0, inked = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            differing += GetPixel(drawn.dc(), x, y) != GetPixel(expected.dc(), x, y);
            inked += GetPixel(drawn.dc(), x, y) != RGB(255, 255, 255);
        }
    }
    EXPECT_GT(inked, 20);
    EXPECT_EQ(differing, 0);
}
