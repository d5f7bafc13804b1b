#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "launcher/TabTitles.h"

using namespace vorn::launcher;

TEST(CopyDataTitle, ReadsNoFurtherThanTheDataAndRefusesWhatIsNotATitle) {
    // Exactly sized buffers, so reading one unit past the data is caught by the sanitizer.
    const char16_t good[] = u"一区 张三";
    auto exact = std::make_unique<char16_t[]>(6);
    std::memcpy(exact.get(), good, sizeof good);
    EXPECT_EQ(ReadCopyDataTitle(exact.get(), sizeof good), std::u16string(u"一区 张三"));
    auto unterminated = std::make_unique<char16_t[]>(2);
    unterminated[0] = u'A';
    unterminated[1] = u'B';
    EXPECT_FALSE(ReadCopyDataTitle(unterminated.get(), 4));
    EXPECT_FALSE(ReadCopyDataTitle(good, 5));  // odd size
    EXPECT_FALSE(ReadCopyDataTitle(good, 0));
    EXPECT_FALSE(ReadCopyDataTitle(nullptr, 4));
    const char16_t early[] = u"AB\0CD";
    EXPECT_EQ(ReadCopyDataTitle(early, sizeof early), std::u16string(u"AB"));
    // The data need not be aligned for its units.
    alignas(2) unsigned char shifted[7] = {0, 'X', 0, 'Y', 0, 0, 0};
    EXPECT_EQ(ReadCopyDataTitle(shifted + 1, 6), std::u16string(u"XY"));
}

TEST(CopyDataTitle, TitlesFromOtherProcessesAreBoundedInLengthAndNumber) {
    std::u16string longest(kMaxTitleChars, u'x');
    EXPECT_EQ(ReadCopyDataTitle(longest.c_str(), (longest.size() + 1) * 2), longest);
    const std::u16string tooLong(kMaxTitleChars + 1, u'x');
    EXPECT_FALSE(ReadCopyDataTitle(tooLong.c_str(), (tooLong.size() + 1) * 2));
    // A huge announced size is not read to its end when no title can be that long.
    const std::u16string huge(100000, u'y');
    EXPECT_FALSE(ReadCopyDataTitle(huge.c_str(), (huge.size() + 1) * 2));

    PendingTitles pending;
    for (std::size_t i = 0; i < kMaxPendingTitles; ++i) {
        EXPECT_TRUE(pending.Register(u"t" + std::u16string(1, static_cast<char16_t>(u'a' + i)), kUnknownProcess, {}));
    }
    EXPECT_FALSE(pending.Register(u"one more", 42, {}));
    EXPECT_FALSE(pending.Contains(u"one more"));
    pending.TakeFor(kUnknownProcess);  // a window arrived: room for one again
    EXPECT_TRUE(pending.Register(u"one more", 42, {}));
}

TEST(PendingTitles, PairedByProcessAndFreedWhenTheirProcessEnds) {
    PendingTitles pending;
    const std::vector<std::u16string> tabs{u"S1 a"};
    EXPECT_FALSE(pending.Register(u"S1 a", 10, tabs));  // already a tab
    EXPECT_TRUE(pending.Register(u"S1 b", 10, tabs));
    EXPECT_FALSE(pending.Register(u"S1 b", 11, tabs));  // already on its way
    EXPECT_TRUE(pending.Register(u"s1 b", 11, tabs));  // exact comparison only
    // Process 10 dies before its window comes: its title is free again, and process 11's
    // window gets its own title, not the one registered first.
    const auto ended = pending.DropEnded([](ProcessId p) { return p == 10; });
    EXPECT_EQ(ended, std::vector<ProcessId>{10});
    EXPECT_TRUE(pending.Register(u"S1 b", 12, tabs));
    EXPECT_EQ(pending.TakeFor(11), u"s1 b");
    EXPECT_EQ(pending.TakeFor(12), u"S1 b");
    EXPECT_TRUE(pending.Entries().empty());
}

TEST(PendingTitles, UnknownSendersKeepTheirOrderAndAProcessItsLatestTitle) {
    PendingTitles pending;
    EXPECT_TRUE(pending.Register(u"first", kUnknownProcess, {}));
    EXPECT_TRUE(pending.Register(u"second", kUnknownProcess, {}));
    EXPECT_TRUE(pending.Register(u"old", 7, {}));
    EXPECT_TRUE(pending.Register(u"new", 7, {}));
    EXPECT_EQ(pending.TakeFor(7), u"new");
    EXPECT_FALSE(pending.HasProcess(7));
    EXPECT_EQ(pending.TakeFor(8), u"first");  // a window whose process sent nothing named
    EXPECT_EQ(pending.TakeFor(kUnknownProcess), u"second");
    EXPECT_EQ(pending.TakeFor(9), u"");
    // Unknown senders cannot be watched; they are never dropped.
    EXPECT_TRUE(pending.Register(u"x", kUnknownProcess, {}));
    EXPECT_TRUE(pending.DropEnded([](ProcessId) { return true; }).empty());
}

TEST(PendingTitles, TheSenderIsTheNamedWindowsProcessOrTheOnlyLoginUnderWay) {
    EXPECT_EQ(TitleSender(5, {6}), 5u);
    EXPECT_EQ(TitleSender(kUnknownProcess, {6}), 6u);
    EXPECT_EQ(TitleSender(kUnknownProcess, {6, 7}), kUnknownProcess);
    EXPECT_EQ(TitleSender(kUnknownProcess, {}), kUnknownProcess);
}
