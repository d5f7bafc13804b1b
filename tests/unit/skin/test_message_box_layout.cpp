#include <gtest/gtest.h>

#include "skin/MessageBoxLayout.h"

using namespace vorn::skin;

TEST(MessageBoxLayout, SizeFollowsTheTextOrTheButtons) {
    // Button frames of 57 x 23: a narrow one-line text gives 2 x 57 + 60.
    EXPECT_EQ(MessageBoxSize(100, 14, 1, 57, 23), (Size{174, 3 + 90 + 14 + 23}));
    EXPECT_EQ(MessageBoxSize(200, 14, 1, 57, 23).cx, 260);
    EXPECT_EQ(MessageBoxSize(174, 42, 3, 57, 23), (Size{174, 9 + 90 + 42 + 23}));
}

TEST(MessageBoxLayout, TwoButtonsSitEitherSideOfTheMiddle) {
    const auto yesNo = MessageBoxButtons(4, 174, 130, 57, 23);
    ASSERT_EQ(yesNo.size(), 2u);
    EXPECT_EQ(yesNo[0].rect, (Rect{20, 77, 77, 100}));
    EXPECT_EQ(yesNo[1].rect, (Rect{97, 77, 154, 100}));
    EXPECT_EQ(yesNo[0].caption, u"是");
    EXPECT_EQ(yesNo[1].caption, u"否");
    EXPECT_EQ(yesNo[0].result, 6);
    EXPECT_EQ(yesNo[1].result, 7);

    const auto okCancel = MessageBoxButtons(1, 174, 130, 57, 23);
    ASSERT_EQ(okCancel.size(), 2u);
    EXPECT_EQ(okCancel[0].caption, u"确定");
    EXPECT_EQ(okCancel[1].caption, u"取消");
    EXPECT_EQ(okCancel[0].result, 1);
    EXPECT_EQ(okCancel[1].result, 2);
}

TEST(MessageBoxLayout, OtherTypesShowOneCentredOkButton) {
    for (int type : {0, 2, 3, 5, -1}) {
        const auto buttons = MessageBoxButtons(type, 175, 130, 57, 23);
        ASSERT_EQ(buttons.size(), 1u) << type;
        EXPECT_EQ(buttons[0].rect, (Rect{59, 77, 116, 100}));
        EXPECT_EQ(buttons[0].caption, u"确定");
        EXPECT_EQ(buttons[0].result, 1);
    }
}

TEST(MessageBoxLayout, LinesStartAt55AndAreLineHeightPlusThreeApart) {
    // Three one-letter lines measured 6 wide and 45 high: line height 15.
    const auto lines = MessageLines(u"a\nb\nc", 174, 6, 45);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].rect, (Rect{84, 55, 90, 70}));
    EXPECT_EQ(lines[1].rect.top, 55 + 18);
    EXPECT_EQ(lines[2].rect.top, 55 + 36);
    EXPECT_EQ(lines[2].text, u"c");
}

TEST(MessageBoxLayout, ATrailingLineFeedDrawsNoEmptyLastLine) {
    const auto lines = MessageLines(u"a\nb\n", 174, 6, 45);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].text, u"b");
    // The trailing line feed still counts for the line height: 45 / 3.
    EXPECT_EQ(lines[1].rect.top, 55 + 18);
    EXPECT_TRUE(MessageLines(u"", 174, 0, 15).empty());
}
