#include <gtest/gtest.h>

#include "maintenance/DateText.h"

using vorn::CompareDateText;

TEST(CompareDateText, LaterEarlierAndEqualDays) {
    EXPECT_GT(CompareDateText(u"2013-07-05", u"2013-07-06"), 0);
    EXPECT_LT(CompareDateText(u"2013-07-06", u"2013-07-05"), 0);
    EXPECT_GT(CompareDateText(u"2013-12-31", u"2014-01-01"), 0);  // the year decides first
    EXPECT_LT(CompareDateText(u"2014-01-01", u"2013-12-31"), 0);
    EXPECT_GT(CompareDateText(u"2013-06-30", u"2013-07-01"), 0);  // then the month
    EXPECT_EQ(CompareDateText(u"2013-7-5", u"2013-07-05"), 0);    // numbers, not texts
    EXPECT_EQ(CompareDateText(u"2013-07-05", u"2013-07-05"), 0);
    // The result is the difference of the deciding numbers.
    EXPECT_EQ(CompareDateText(u"2013-07-05", u"2013-07-09"), 4);
    EXPECT_EQ(CompareDateText(u"2010-07-05", u"2013-01-01"), 3);
}

TEST(CompareDateText, TextAfterASpaceIsIgnored) {
    EXPECT_EQ(CompareDateText(u"2013-07-05 9:00", u"2013-07-05"), 0);
    EXPECT_EQ(CompareDateText(u"2013-07-05 23:59", u"2013-07-05 00:00"), 0);
    // Only the first 15 characters are looked at: a 16th digit of the day is cut off.
    EXPECT_EQ(CompareDateText(u"2013-07-00000005", u"2013-07-0000000"), 0);
    EXPECT_GT(CompareDateText(u"2013-07-0000004", u"2013-07-0000005"), 0);
}

TEST(CompareDateText, NullsAndTextsWithoutDashes) {
    EXPECT_EQ(CompareDateText(nullptr, nullptr), 0);
    EXPECT_LT(CompareDateText(u"2013-07-05", nullptr), 0);
    EXPECT_GT(CompareDateText(nullptr, u"2013-07-05"), 0);
    const char16_t* same = u"garbage";
    EXPECT_EQ(CompareDateText(same, same), 0);
    // A text without a dash is earlier than any date.
    EXPECT_LT(CompareDateText(u"2013-07-05", u"never"), 0);
    EXPECT_GT(CompareDateText(u"never", u"2013-07-05"), 0);
    EXPECT_EQ(CompareDateText(u"never", u"ever"), 0);
    EXPECT_EQ(CompareDateText(u"", u""), 0);
    // The same rule for a missing second dash, once the years agree.
    EXPECT_LT(CompareDateText(u"2013-07-05", u"2013-07"), 0);
    EXPECT_GT(CompareDateText(u"2013-07", u"2013-07-05"), 0);
    EXPECT_EQ(CompareDateText(u"2013-07", u"2013-08"), 0);
    // A missing second dash does not matter when the years already differ.
    EXPECT_GT(CompareDateText(u"2013-07", u"2014-01-01"), 0);
}

TEST(CompareDateText, ExtremeNumbersDoNotOverflow) {
    // Saturated years must still compare with the right sign.
    EXPECT_GT(CompareDateText(u"-9999999-1-1", u"9999999-1-1"), 0);
    EXPECT_LT(CompareDateText(u"9999999-1-1", u"-9999999-1-1"), 0);
    EXPECT_EQ(CompareDateText(u"x-y-z", u"0-0-0"), 0);  // no digits read as 0
    // A year text is read from at most 7 characters.
    EXPECT_EQ(CompareDateText(u"12345678-1-1", u"12345679-1-1"), 0);
}

TEST(FormatDate, PadsMonthAndDay) {
    EXPECT_EQ(vorn::FormatDate(2013, 7, 5), u"2013-07-05");
    EXPECT_EQ(vorn::FormatDate(2026, 12, 31), u"2026-12-31");
    EXPECT_EQ(vorn::FormatDate(987, 1, 1), u"0987-01-01");
}
