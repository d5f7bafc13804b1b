#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "skin/ControlLayout.h"

using namespace vorn::skin;

namespace {

// Every character 10 pixels wide, "W" 50 pixels.
int Measure(std::u16string_view line) {
    int width = 0;
    for (char16_t ch : line) width += ch == u'W' ? 50 : 10;
    return width;
}

}  // namespace

TEST(ButtonFrame, StateChoosesTheFrameAndThePressedLookSticks) {
    bool pressed = false;
    EXPECT_EQ(ChooseButtonFrame(0, false, pressed), kFrameNormal);
    EXPECT_EQ(ChooseButtonFrame(0, true, pressed), kFrameHover);
    EXPECT_EQ(ChooseButtonFrame(1, true, pressed), kFramePressed);
    EXPECT_TRUE(pressed);
    // Dragged off the button (no longer selected): still pressed until release.
    EXPECT_EQ(ChooseButtonFrame(0, false, pressed), kFramePressed);
    pressed = false;
    // Disabled wins, even hovered and pressed, and does not arm the pressed look.
    EXPECT_EQ(ChooseButtonFrame(4 | 1, true, pressed), kFrameDisabled);
    EXPECT_EQ(ChooseButtonFrame(2, false, pressed), kFrameDisabled);
    EXPECT_FALSE(pressed);
}

TEST(LabelLines, LineFeedsBreakAndCarriageReturnsAreIgnored) {
    const auto lines = BreakLabelLines(u"ab\r\ncd\nef", 100, 10, Measure);
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"ab", u"cd", u"ef"}));
    // A trailing line feed counts an empty last line.
    EXPECT_EQ(BreakLabelLines(u"ab\n", 100, 10, Measure).size(), 2u);
}

TEST(LabelLines, LongTextWrapsAtTheLastCharacterThatFits) {
    const auto lines = BreakLabelLines(u"abcdefghijk", 35, 10, Measure);
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"abc", u"def", u"ghi", u"jk"}));
    // Exactly fitting is still on the line.
    EXPECT_EQ(BreakLabelLines(u"abcd", 40, 10, Measure), (std::vector<std::u16string>{u"abcd"}));
}

TEST(LabelLines, ACharacterWiderThanTheLineGetsALineOfItsOwn) {
    const auto lines = BreakLabelLines(u"aWbW", 30, 10, Measure);
    EXPECT_EQ(lines, (std::vector<std::u16string>{u"a", u"W", u"b", u"W"}));
}

TEST(LabelLines, TooNarrowForOneCharacterDrawsNothing) {
    EXPECT_TRUE(BreakLabelLines(u"测试", 11, 12, Measure).empty());
    EXPECT_TRUE(BreakLabelLines(u"x", 0, 0, Measure).empty());
    EXPECT_TRUE(BreakLabelLines(u"x", 100, 10, nullptr).empty());
}

TEST(LabelLines, HeightNeededGrowsByLineHeightAndSpacing) {
    EXPECT_EQ(LabelHeightNeeded(3, 12, 3), 42);
    EXPECT_EQ(LabelHeightNeeded(1, 12, 3), 12);
    EXPECT_EQ(LabelHeightNeeded(0, 12, 3), 0);
}

TEST(ProgressFill, HalfwayShowsBothEndsOfTheFillPicture) {
    const FillColumns half = ProgressFill(390, 0, 100, 50);
    EXPECT_EQ(half.left, 97);          // columns 0-96
    EXPECT_EQ(half.right, 98);         // columns 292-389
    EXPECT_EQ(half.rightSource, 292);
    EXPECT_EQ(ProgressFill(390, 0, 100, 0), (FillColumns{0, 0, 390}));
    EXPECT_EQ(ProgressFill(390, 0, 100, 100), (FillColumns{195, 195, 195}));
    // Truncated toward zero: 390 / 100 x 33 = 128.7.
    EXPECT_EQ(ProgressFill(390, 0, 100, 33), (FillColumns{64, 64, 326}));
}

TEST(ProgressFill, DegenerateRangesAndPositionsOutsideTheRangeStayInsideThePicture) {
    EXPECT_EQ(ProgressFill(390, 50, 50, 50), FillColumns{});
    EXPECT_EQ(ProgressFill(390, 100, 0, 50), FillColumns{});
    EXPECT_EQ(ProgressFill(390, 0, 100, 250), (FillColumns{195, 195, 195}));
    EXPECT_EQ(ProgressFill(390, 0, 100, -20), (FillColumns{0, 0, 390}));
    // Measured from the lower bound.
    EXPECT_EQ(ProgressFill(390, 50, 150, 100), ProgressFill(390, 0, 100, 50));
}
