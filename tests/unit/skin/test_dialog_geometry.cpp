#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <utility>

#include "skin/DialogGeometry.h"

using namespace vorn::skin;

namespace {

// Every window pixel painted by the pieces, with the picture pixel it came from for 1:1 pieces.
std::set<std::pair<int, int>> Covered(const std::vector<Piece>& pieces) {
    std::set<std::pair<int, int>> covered;
    for (const auto& p : pieces) {
        for (int y = p.dy; y < p.dy + p.dh; ++y) {
            for (int x = p.dx; x < p.dx + p.dw; ++x) covered.insert({x, y});
        }
    }
    return covered;
}

}  // namespace

TEST(BackgroundPieces, NineSliceWithCaptionBandCoversTheWindowOnceAndKeepsCornersUnscaled) {
    const auto pieces = BackgroundPieces(300, 200, 30, 51, 4, 30, true);
    ASSERT_EQ(pieces.size(), 9u);
    size_t area = 0;
    for (const auto& p : pieces) area += static_cast<size_t>(p.dw) * p.dh;
    EXPECT_EQ(area, 300u * 200u);  // no overlap
    EXPECT_EQ(Covered(pieces).size(), 300u * 200u);
    // Caption corners and bottom corners are copied 1:1 from the picture's corners.
    EXPECT_EQ(pieces[0], (Piece{0, 0, 4, 30, 0, 0, 4, 30}));
    EXPECT_EQ(pieces[2], (Piece{296, 0, 4, 30, 26, 0, 4, 30}));
    EXPECT_EQ(pieces[6], (Piece{0, 196, 4, 4, 0, 47, 4, 4}));
    EXPECT_EQ(pieces[8], (Piece{296, 196, 4, 4, 26, 47, 4, 4}));
    // The centre stretches the picture's centre.
    EXPECT_EQ(pieces[5], (Piece{4, 30, 292, 166, 4, 30, 22, 17}));
}

TEST(BackgroundPieces, NaturalSizeKeepsThePictureAndFitsRightAndBottomEdges) {
    // A window wider and taller than its picture: the right edge and bottom move out.
    const auto pieces = BackgroundPieces(300, 180, 250, 150, 3, 0, false);
    EXPECT_EQ(pieces.front(), (Piece{0, 0, 250, 150, 0, 0, 250, 150}));
    const Piece rightEdge{297, 0, 3, 177, 247, 0, 3, 147};
    EXPECT_NE(std::find(pieces.begin(), pieces.end(), rightEdge), pieces.end());
    const Piece bottomRight{297, 177, 3, 3, 247, 147, 3, 3};
    EXPECT_NE(std::find(pieces.begin(), pieces.end(), bottomRight), pieces.end());
}

TEST(BackgroundPieces, WindowsSmallerThanTheirBordersDrawNoMirroredOrEmptyPieces) {
    for (const auto& p : BackgroundPieces(5, 20, 30, 51, 4, 30, true)) {
        EXPECT_GT(p.dw, 0);
        EXPECT_GT(p.dh, 0);
        EXPECT_GT(p.sw, 0);
        EXPECT_GT(p.sh, 0);
    }
    EXPECT_TRUE(BackgroundPieces(0, 20, 30, 51, 4, 30, true).empty());
    EXPECT_TRUE(BackgroundPieces(20, 20, 0, 0, 4, 30, false).empty());
}

TEST(CornerCutPixels, QuarterCircleCornersCutAllFourWindowCornersAndNothingElse) {
    // A 30 x 51 picture with magenta where x + y < 3 in each corner's frame of reference,
    // plus a magenta pixel at (10, 10) that must be ignored.
    const int pw = 30, ph = 51;
    auto isKey = [&](int x, int y) {
        if (x == 10 && y == 10) return true;
        const int cx = std::min(x, pw - 1 - x), cy = std::min(y, ph - 1 - y);
        return cx + cy < 3;
    };
    const auto cut = CornerCutPixels(400, 300, pw, ph, isKey);
    std::set<std::pair<int, int>> pixels;
    for (const auto& p : cut) pixels.insert({p.x, p.y});
    EXPECT_EQ(pixels.size(), 4u * 6u);
    for (auto corner : {std::pair{0, 0}, std::pair{399, 0}, std::pair{0, 299}, std::pair{399, 299}}) {
        EXPECT_TRUE(pixels.count(corner)) << corner.first << "," << corner.second;
    }
    EXPECT_TRUE(pixels.count({2, 0}));
    EXPECT_TRUE(pixels.count({397, 299}));
    EXPECT_FALSE(pixels.count({10, 10}));
    EXPECT_FALSE(pixels.count({3, 0}));
}

TEST(CornerCutPixels, TinyPicturesAndWindowsStayInBounds) {
    const auto cut = CornerCutPixels(4, 4, 20, 20, [](int, int) { return true; });
    for (const auto& p : cut) {
        EXPECT_GE(p.x, 0);
        EXPECT_LT(p.x, 4);
        EXPECT_GE(p.y, 0);
        EXPECT_LT(p.y, 4);
    }
    EXPECT_TRUE(CornerCutPixels(10, 10, 0, 5, [](int, int) { return true; }).empty());
}

TEST(SkinHitTest, FixedDialogsDragByTheCaptionOnly) {
    EXPECT_EQ(SkinHitTest(50, 10, 300, 200, 4, 30, false, false), kHitCaption);
    EXPECT_EQ(SkinHitTest(50, 30, 300, 200, 4, 30, false, false), kHitDefault);
    // Without a caption band the whole client area drags.
    EXPECT_EQ(SkinHitTest(150, 190, 300, 200, 3, -1, false, false), kHitCaption);
}

TEST(SkinHitTest, ResizableDialogsSizeAtEdgesAndCorners) {
    const int w = 300, h = 200, b = 4, c = 30;
    EXPECT_EQ(SkinHitTest(0, 0, w, h, b, c, true, false), kHitTopLeft);
    EXPECT_EQ(SkinHitTest(3, 199, w, h, b, c, true, false), kHitBottomLeft);
    EXPECT_EQ(SkinHitTest(2, 100, w, h, b, c, true, false), kHitLeft);
    EXPECT_EQ(SkinHitTest(299, 3, w, h, b, c, true, false), kHitTopRight);
    EXPECT_EQ(SkinHitTest(296, 196, w, h, b, c, true, false), kHitBottomRight);
    EXPECT_EQ(SkinHitTest(296, 100, w, h, b, c, true, false), kHitRight);
    // The top band is 3 pixels whatever the border; below it the caption.
    EXPECT_EQ(SkinHitTest(100, 2, w, h, 6, c, true, false), kHitTop);
    EXPECT_EQ(SkinHitTest(100, 3, w, h, 6, c, true, false), kHitCaption);
    EXPECT_EQ(SkinHitTest(100, 197, w, h, b, c, true, false), kHitBottom);
    EXPECT_EQ(SkinHitTest(100, 100, w, h, b, c, true, false), kHitDefault);
    // Without a band the caption test comes before the bottom edge.
    EXPECT_EQ(SkinHitTest(100, 198, w, h, b, -1, true, false), kHitCaption);
    // Maximised: never moves or sizes.
    EXPECT_EQ(SkinHitTest(0, 0, w, h, b, c, true, true), kHitDefault);
    EXPECT_EQ(SkinHitTest(100, 10, w, h, b, c, false, true), kHitDefault);
}

TEST(SkinHitTest, EdgeCodesBecomeTheSizingCommands) {
    EXPECT_EQ(SizingCommand(kHitLeft), 0xF001u);
    EXPECT_EQ(SizingCommand(kHitTop), 0xF003u);
    EXPECT_EQ(SizingCommand(kHitTopRight), 0xF005u);
    EXPECT_EQ(SizingCommand(kHitBottomRight), 0xF008u);
    EXPECT_EQ(SizingCommand(kHitCaption), 0u);
    EXPECT_EQ(SizingCommand(kHitDefault), 0u);
    EXPECT_EQ(SizingCommand(18), 0u);
}

TEST(MaximiseAndRestore, MaximisedFillsTheWorkAreaUpToTheLargestSize) {
    const Rect work{0, 0, 1920, 1040};
    EXPECT_EQ(MaximizedRect(work, 1920, 1040), work);
    EXPECT_EQ(MaximizedRect(work, 1440, 900), (Rect{240, 70, 1680, 970}));
    EXPECT_EQ(MaximizedRect(Rect{100, 50, 1380, 850}, 1280, 800), (Rect{100, 50, 1380, 850}));
    EXPECT_EQ(DefaultNormalRect(work), (Rect{240, 130, 1680, 910}));
    // A work area that does not start at the origin (a task bar on the left).
    EXPECT_EQ(DefaultNormalRect(Rect{80, 0, 1360, 800}), (Rect{240, 100, 1200, 700}));
}

TEST(CentredRect, OnTheOwnerOrTheWorkAreaAndNeverOffIt) {
    const Rect work{0, 0, 1280, 800};
    EXPECT_EQ(CentredRect(200, 100, nullptr, work), (Rect{540, 350, 740, 450}));
    const Rect owner{100, 100, 500, 400};
    EXPECT_EQ(CentredRect(200, 100, &owner, work), (Rect{200, 200, 400, 300}));
    const Rect offScreen{1200, 700, 1400, 900};
    EXPECT_EQ(CentredRect(200, 100, &offScreen, work), (Rect{1080, 700, 1280, 800}));
}
