#include <gtest/gtest.h>

#include "online/UpdateRules.h"

using namespace vorn;

TEST(VersionKey, DigestCutByTheVersionDigits) {
    const std::u16string md5 = u"900150983cd24fb0d6963f7d28e17f72";
    EXPECT_EQ(MakeVersionKey(md5, u"3.0.0.1"), u"900150983cd24fb0d6963f7d28e13001");
    EXPECT_EQ(MakeVersionKey(md5, u"3.0.0.1").size(), 32u);
    EXPECT_EQ(MakeVersionKey(u"", u"3.0.0.1"), u"");
    EXPECT_TRUE(SameVersionKey(u"900150983CD24FB0D6963F7D28E13001", u"900150983cd24fb0d6963f7d28e13001"));
    EXPECT_FALSE(SameVersionKey(u"000150983cd24fb0d6963f7d28e13001", u"900150983cd24fb0d6963f7d28e13001"));
    EXPECT_FALSE(SameVersionKey(u"", u""));
}

TEST(VersionKey, ADownloadIsCheckedByTheDigestPartWhateverItsVersion) {
    const std::u16string md5 = u"900150983cd24fb0d6963f7d28e17f72";
    EXPECT_TRUE(IsFileOfRelease(MakeVersionKey(md5, u"3.0.0.2"), md5));
    EXPECT_TRUE(IsFileOfRelease(MakeVersionKey(md5, u"3.0.1.10"), md5));
    EXPECT_TRUE(IsFileOfRelease(u"900150983CD24FB0D6963F7D12345678", md5));  // eight digits, any case
    // Another file: the digest part differs in its last or first character.
    EXPECT_FALSE(IsFileOfRelease(u"900150983cd24fb0d6963f7d28f13002", md5));
    EXPECT_FALSE(IsFileOfRelease(u"a00150983cd24fb0d6963f7d28e13002", md5));
    // Nine version digits would leave a digest part too short to trust.
    EXPECT_FALSE(IsFileOfRelease(u"900150983cd24fb0d6963f7123456789", md5));
    EXPECT_FALSE(IsFileOfRelease(u"900150983cd24fb0d6963f7d28e17f7f", md5));  // no version digits
    EXPECT_FALSE(IsFileOfRelease(u"900150983cd24fb0d6963f7d28e3002", md5));   // 31 characters
    EXPECT_FALSE(IsFileOfRelease(u"", md5));
    EXPECT_FALSE(IsFileOfRelease(MakeVersionKey(md5, u"3.0.0.2"), u""));  // the file could not be read

    EXPECT_TRUE(IsReleaseKey(u"900150983cd24fb0d6963f7d28e13002"));
    EXPECT_FALSE(IsReleaseKey(u""));
    EXPECT_FALSE(IsReleaseKey(u"900150983cd24fb0d6963f7d28e1300"));
    EXPECT_FALSE(IsReleaseKey(u"9001509g3cd24fb0d6963f7d28e13002"));
    EXPECT_FALSE(IsReleaseKey(u"900150983cd24fb0d6963f7d28e1300x"));
}

TEST(DisableDays, DrawnFromTheRuntimeGenerator) {
    RuntimeRandom random;
    const int r1 = random.Next();
    const int r2 = random.Next();
    EXPECT_EQ(r1, 41);
    EXPECT_EQ(r2, 18467);
    using Bytes = std::array<std::uint8_t, 4>;
    EXPECT_EQ(DrawDisableDays(0, r1, r2), (Bytes{1, 6, 0, 0}));
    EXPECT_EQ(DrawDisableDays(48, r1, r2), (Bytes{2, 0, 6, 0}));
    EXPECT_EQ(DrawDisableDays(500, r1, r2), (Bytes{5, 0, 3, 0}));  // the sums wrap
    // The three days are always three different weekdays.
    for (unsigned ms = 0; ms < 1000; ++ms) {
        const Bytes d = DrawDisableDays(ms, r1, r2);
        EXPECT_LT(d[0], 7);
        EXPECT_NE(d[0], d[1]) << ms;
        EXPECT_NE(d[2], d[1]) << ms;
        EXPECT_EQ(d[3], 0);
    }
}

TEST(Schedule, DisabledDaysAndTodaysUpdateOrRefusalSkipTheCheck) {
    const std::array<std::uint8_t, 4> days{1, 6, 0, 0};
    EXPECT_TRUE(IsDisabledWeekday(days, 1));
    EXPECT_TRUE(IsDisabledWeekday(days, 6));
    EXPECT_TRUE(IsDisabledWeekday(days, 0));
    EXPECT_FALSE(IsDisabledWeekday(days, 3));
    EXPECT_FALSE(IsDisabledWeekday({0, 0, 0, 0}, 0));  // nothing stored: no disabled day

    const CalendarDay today{2026, 12, 8};
    const CalendarDay never{0, 0, 0};
    EXPECT_TRUE(IsScheduledCheckDue({2026, 12, 7}, never, today, 2, days));
    EXPECT_FALSE(IsScheduledCheckDue({2026, 12, 8}, never, today, 2, days));  // updated today
    EXPECT_FALSE(IsScheduledCheckDue(never, never, today, 1, days));          // a disabled weekday
    EXPECT_TRUE(IsScheduledCheckDue(never, never, today, 1, {0, 0, 0, 0}));
    // A download refused today is not fetched again until tomorrow (UTC), this month's or
    // last year's same day notwithstanding.
    EXPECT_FALSE(IsScheduledCheckDue(never, {2026, 12, 8}, today, 2, days));
    EXPECT_TRUE(IsScheduledCheckDue(never, {2026, 11, 8}, today, 2, days));
    EXPECT_TRUE(IsScheduledCheckDue(never, {2025, 12, 8}, today, 2, days));
}

TEST(Schedule, TheMenuSaysUpToDateForNoReleaseAndNamesARunningUpdate) {
    const std::u16string_view upToDate = u"已经是最新版本，无需进行更新。";
    EXPECT_EQ(UpdateMenuAnswerText(UpdateCheckOutcome::kSameRelease), upToDate);
    EXPECT_EQ(UpdateMenuAnswerText(UpdateCheckOutcome::kNoRelease), upToDate);
    EXPECT_EQ(UpdateMenuAnswerText(UpdateCheckOutcome::kFailed), u"检查更新失败，请稍后再试。");
    const std::u16string_view busy = UpdateMenuAnswerText(UpdateCheckOutcome::kBusy);
    EXPECT_NE(busy, upToDate);
    EXPECT_NE(busy, UpdateMenuAnswerText(UpdateCheckOutcome::kFailed));
}
