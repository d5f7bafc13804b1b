#include <gtest/gtest.h>

#include <objidl.h>
#include <gdiplus.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "../ChildPrograms.h"
#include "SkinTestSupport.h"
#include "skin/SkinImage.h"

namespace {

class ProductResources : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module = LoadLibraryExW(BesideTests(L"..\\..\\..\\res\\Zelqa7.exe").c_str(), nullptr,
                                LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite() {
        if (module != nullptr) FreeLibrary(module);
        module = nullptr;
    }
    static HMODULE module;
};
HMODULE ProductResources::module = nullptr;

struct Expected {
    UINT id;
    int width, height, frames;
};

// Sizes and frame layouts the windows are built around.
const Expected kPictures[] = {
    {131, 30, 51, 1},  {132, 132, 28, 4},  {133, 228, 23, 4},  {134, 30, 51, 1},  {135, 108, 28, 4},
    {136, 108, 28, 4}, {137, 108, 28, 4},  {138, 108, 27, 4},  {139, 176, 28, 4}, {140, 567, 22, 3},
    {141, 39, 13, 3},  {142, 14, 16, 1},   {143, 250, 191, 1}, {144, 144, 14, 4}, {145, 216, 22, 4},
    {146, 160, 212, 1}, {147, 250, 167, 1}, {148, 108, 27, 4}, {149, 108, 27, 4}, {152, 390, 21, 1},
    {153, 390, 21, 1}, {162, 284, 150, 1}, {129, 888, 518, 1},
};

// How many pixels of two frames of a strip differ.
int FrameDifference(HBITMAP strip, int frameWidth, int height, int a, int b) {
    CBitmapSource source(strip);
    int differing = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < frameWidth; ++x) {
            if (GetPixel(source.dc(), a * frameWidth + x, y) != GetPixel(source.dc(), b * frameWidth + x, y)) ++differing;
        }
    }
    return differing;
}

}  // namespace

TEST_F(ProductResources, EveryPictureHasItsSizeAndVisiblyDifferentFrames) {
    ASSERT_NE(module, nullptr);
    for (const Expected& e : kPictures) {
        SCOPED_TRACE(e.id);
        HBITMAP picture = LoadSkinBitmap(module, e.id);
        ASSERT_NE(picture, nullptr);
        BITMAP info{};
        GetObjectW(picture, sizeof info, &info);
        EXPECT_EQ(info.bmWidth, e.width);
        EXPECT_EQ(info.bmHeight, e.height);
        const int frameWidth = e.width / e.frames;
        EXPECT_EQ(frameWidth * e.frames, e.width);
        for (int a = 0; a < e.frames; ++a) {
            for (int b = a + 1; b < e.frames; ++b) {
                // Every state looks different, if only by its glyph's colour.
                EXPECT_GT(FrameDifference(picture, frameWidth, e.height, a, b), 10)
                    << "frames " << a << " and " << b;
            }
        }
        DeleteObject(picture);
    }
}

TEST_F(ProductResources, BackgroundsHaveRoundedMagentaCornersAndOpaqueMiddles) {
    ASSERT_NE(module, nullptr);
    for (UINT id : {131u, 134u, 143u, 146u, 147u, 162u}) {
        SCOPED_TRACE(id);
        HBITMAP picture = LoadSkinBitmap(module, id);
        ASSERT_NE(picture, nullptr);
        CBitmapSource source(picture);
        const int w = source.width(), h = source.height();
        for (POINT corner : {POINT{0, 0}, POINT{w - 1, 0}, POINT{0, h - 1}, POINT{w - 1, h - 1}}) {
            EXPECT_EQ(GetPixel(source.dc(), corner.x, corner.y), kSkinKeyColour);
        }
        // Rounded, not cut square: the pixel diagonally inside each corner is kept.
        EXPECT_NE(GetPixel(source.dc(), 3, 3), kSkinKeyColour);
        EXPECT_NE(GetPixel(source.dc(), w - 4, h - 4), kSkinKeyColour);
        EXPECT_NE(GetPixel(source.dc(), w / 2, h / 2), kSkinKeyColour);
        DeleteObject(picture);
    }
}

TEST_F(ProductResources, LoginBackgroundKeepsARealAlphaChannel) {
    ASSERT_NE(module, nullptr);
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
    Gdiplus::GpImage* image = LoadPngResourceImage(module, 129);
    ASSERT_NE(image, nullptr);
    auto* bitmap = static_cast<Gdiplus::GpBitmap*>(image);
    Gdiplus::ARGB corner = 0, shadow = 0, middle = 0;
    Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, 0, 0, &corner);
    Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, 444, 5, &shadow);
    Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, 444, 259, &middle);
    EXPECT_EQ(corner >> 24, 0u);
    EXPECT_GT(shadow >> 24, 0u);
    EXPECT_LT(shadow >> 24, 255u);
    EXPECT_EQ(middle >> 24, 255u);

    // The layered window's copy: every colour scaled by its alpha, in the picture's order.
    UINT w = 0, h = 0;
    Gdiplus::DllExports::GdipGetImageWidth(image, &w);
    Gdiplus::DllExports::GdipGetImageHeight(image, &h);
    std::vector<uint32_t> premultiplied(size_t{w} * h);
    ASSERT_TRUE(CopyPremultiplied(image, premultiplied.data(), static_cast<int>(w), static_cast<int>(h)));
    EXPECT_FALSE(CopyPremultiplied(image, premultiplied.data(), static_cast<int>(w) - 1, static_cast<int>(h)));
    Gdiplus::GpRect all(0, 0, static_cast<INT>(w), static_cast<INT>(h));
    Gdiplus::BitmapData plain{};
    ASSERT_EQ(Gdiplus::DllExports::GdipBitmapLockBits(bitmap, &all, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB,
                                                      &plain),
              Gdiplus::Ok);
    int wrong = 0, partly = 0;
    for (UINT y = 0; y < h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(plain.Scan0) + y * plain.Stride);
        for (UINT x = 0; x < w; ++x) {
            const uint32_t in = row[x], out = premultiplied[size_t{y} * w + x];
            const uint32_t alpha = in >> 24;
            partly += alpha > 0 && alpha < 255;
            bool same = (out >> 24) == alpha;
            for (int shift : {0, 8, 16}) {
                const int expected = static_cast<int>(((in >> shift) & 0xFF) * alpha / 255);
                same = same && std::abs(static_cast<int>((out >> shift) & 0xFF) - expected) <= 1;
            }
            wrong += !same;
        }
    }
    Gdiplus::DllExports::GdipBitmapUnlockBits(bitmap, &plain);
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(partly, 1000);  // the shadow: a plain copy would pass on opaque pixels alone
    Gdiplus::DllExports::GdipDisposeImage(image);
    Gdiplus::GdiplusShutdown(token);
}

TEST_F(ProductResources, IconsComeInTheUsualSizes) {
    ASSERT_NE(module, nullptr);
    for (UINT id : {128u, 155u}) {
        for (int size : {16, 32, 48}) {
            SCOPED_TRACE(std::to_string(id) + " at " + std::to_string(size));
            HICON icon = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
            ASSERT_NE(icon, nullptr);
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP colour{};
            GetObjectW(info.hbmColor, sizeof colour, &colour);
            EXPECT_EQ(colour.bmWidth, size);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
    }
}

TEST(LoadSkinBitmap, PixelRulesOfTheKeyedConversion) {
    HBITMAP picture = LoadSkinBitmap(Self(), 901);
    ASSERT_NE(picture, nullptr);
    // Top row of the PNG: half-transparent black and white, a transparent green pixel.
    EXPECT_EQ(PixelOf(picture, 0, 0), RGB(127, 127, 127));
    EXPECT_EQ(PixelOf(picture, 1, 0), RGB(255, 255, 255));
    EXPECT_EQ(PixelOf(picture, 2, 0), kSkinKeyColour);
    // The bottom row stays at the bottom, opaque colours unchanged.
    EXPECT_EQ(PixelOf(picture, 0, 1), RGB(0, 0, 255));
    EXPECT_EQ(PixelOf(picture, 2, 1), RGB(10, 20, 30));
    DIBSECTION section{};
    ASSERT_EQ(GetObjectW(picture, sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(section.dsBmih.biBitCount, 32);
    EXPECT_GT(section.dsBmih.biHeight, 0);  // bottom-up
    DeleteObject(picture);
}

TEST(LoadSkinBitmap, ABitmapResourceWinsAndMissingOnesGiveNull) {
    HBITMAP picture = LoadSkinBitmap(Self(), 902);
    ASSERT_NE(picture, nullptr);
    BITMAP info{};
    GetObjectW(picture, sizeof info, &info);
    EXPECT_EQ(info.bmWidth, 2);  // the BITMAP, not the 4 x 4 PNG
    EXPECT_EQ(PixelOf(picture, 0, 0), RGB(200, 10, 10));
    DeleteObject(picture);
    EXPECT_EQ(LoadSkinBitmap(Self(), 999), nullptr);
    EXPECT_EQ(LoadSkinBitmap(nullptr, 131), nullptr);
    EXPECT_EQ(ConvertToKeyedBitmap(nullptr, kSkinKeyColour), nullptr);
}

TEST(LoadImageFileBitmap, TransparentPartsComeOutWhiteAndBadFilesGiveNull) {
    const std::wstring source = BesideTests(L"fixtures\\");
    const std::wstring png = source + L"alpha.png";
    int width = -1, height = -1;
    HBITMAP picture = LoadImageFileBitmap(png.c_str(), width, height);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(PixelOf(picture, 2, 0), RGB(255, 255, 255));  // transparent green: white
    EXPECT_EQ(PixelOf(picture, 1, 1), RGB(255, 0, 0));
    DeleteObject(picture);

    picture = LoadImageFileBitmap((source + L"photo.jpg").c_str(), width, height);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(width, 8);
    const COLORREF photo = PixelOf(picture, 4, 3);
    EXPECT_NEAR(GetRValue(photo), 30, 4);
    EXPECT_NEAR(GetGValue(photo), 160, 4);
    DeleteObject(picture);

    EXPECT_EQ(LoadImageFileBitmap((source + L"missing.png").c_str(), width, height), nullptr);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    EXPECT_EQ(LoadImageFileBitmap(nullptr, width, height), nullptr);
    EXPECT_EQ(LoadImageFileBitmap((source + L"..\\CTestTestfile.cmake").c_str(), width, height), nullptr);
}
