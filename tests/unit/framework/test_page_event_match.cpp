#include <gtest/gtest.h>

#include <vector>

#include "framework/PageEventMatch.h"

using namespace vorn;

TEST(PageEventMatch, ClassExactTagIgnoringCaseFirstEntryWins) {
    const std::vector<PageEventKey> table = {
        {PageEventMatch::ByClass, u"button", 1},
        {PageEventMatch::ByTag, u"div", 1},
        {PageEventMatch::ByTag, u"div", 2},
        {PageEventMatch::ByClass, u"button", 2},
    };
    auto find = [&](long dispid, std::u16string_view cls, std::u16string_view tag) {
        return FindPageEventEntry(table.size(), [&](size_t i) { return table[i]; }, dispid, cls, tag);
    };
    EXPECT_EQ(find(1, u"button", u"DIV"), 0);   // both match: the first entry runs
    EXPECT_EQ(find(2, u"button", u"DIV"), 2);
    EXPECT_EQ(find(1, u"Button", u"SPAN"), -1);
    EXPECT_EQ(find(1, u"button big", u"SPAN"), -1);
    EXPECT_EQ(find(1, u"", u"dIv"), 1);
    EXPECT_EQ(find(3, u"button", u"DIV"), -1);
    EXPECT_EQ(find(1, u"", u"DIVX"), -1);
}
