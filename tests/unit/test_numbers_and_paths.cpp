#include <gtest/gtest.h>

#include "app/Counters.h"
#include "common/PathRules.h"
#include "common/StartGate.h"
#include "common/TextNumbers.h"

using namespace vorn;

TEST(ParseDecimalPrefix, ReadsLikeTheRuntime) {
    EXPECT_EQ(ParseDecimalPrefix(u"42"), 42);
    EXPECT_EQ(ParseDecimalPrefix(u" \t\r\n-17xyz"), -17);
    EXPECT_EQ(ParseDecimalPrefix(u"+5"), 5);
    EXPECT_EQ(ParseDecimalPrefix(u"abc"), 0);
    EXPECT_EQ(ParseDecimalPrefix(u""), 0);
    EXPECT_EQ(ParseDecimalPrefix(u"-"), 0);
    EXPECT_EQ(ParseDecimalPrefix(u"1 2"), 1);
    EXPECT_EQ(ParseDecimalPrefix(u"2147483647"), 2147483647);
    EXPECT_EQ(ParseDecimalPrefix(u"2147483648"), 2147483647);
    EXPECT_EQ(ParseDecimalPrefix(u"-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ParseDecimalPrefix(u"-99999999999999999999"), -2147483647 - 1);
    // Full-width digits are not decimal digits for the runtime either.
    EXPECT_EQ(ParseDecimalPrefix(u"\uFF11"), 0);
}

TEST(Counters, NextValueCountsAndNeverWraps) {
    EXPECT_EQ(NextCounterValue(u"0"), 1u);
    EXPECT_EQ(NextCounterValue(u""), 1u);
    EXPECT_EQ(NextCounterValue(u"abc"), 1u);
    EXPECT_EQ(NextCounterValue(u"41"), 42u);
    EXPECT_EQ(NextCounterValue(u"7 runs"), 8u);
    // Values beyond the signed range keep counting, since they are stored unsigned.
    EXPECT_EQ(NextCounterValue(u"2147483647"), 2147483648u);
    EXPECT_EQ(NextCounterValue(u"2147483648"), 2147483649u);
    // The largest value stays.
    EXPECT_EQ(NextCounterValue(u"4294967294"), 4294967295u);
    EXPECT_EQ(NextCounterValue(u"4294967295"), 4294967295u);
    EXPECT_EQ(NextCounterValue(u"99999999999999999999999"), 4294967295u);
    // A negative text is not a count.
    EXPECT_EQ(NextCounterValue(u"-5"), 1u);
    EXPECT_EQ(FormatUnsigned(NextCounterValue(u"4294967295")), u"4294967295");
    EXPECT_EQ(FormatUnsigned(0), u"0");
}

TEST(PathBesideFile, BuildsPathsInTheExecutableFolder) {
    EXPECT_EQ(PathBesideFile(u"C:\\Games\\Launcher\\launch.exe", u"NewZelqa7.exe"),
              u"C:\\Games\\Launcher\\NewZelqa7.exe");
    EXPECT_EQ(PathBesideFile(u"C:\\Games\\Launcher\\launch.exe", nullptr), u"C:\\Games\\Launcher\\launch.exe");
    EXPECT_EQ(PathBesideFile(u"C:\\launch.exe", u"Statistic.ini"), u"C:\\Statistic.ini");
    EXPECT_EQ(PathBesideFile(u"launch.exe", u"Statistic.ini"), std::nullopt);
    // A result that would not fit a path buffer is refused rather than cut.
    const std::u16string deep = u"C:\\" + std::u16string(240, u'a') + u"\\x.exe";
    EXPECT_TRUE(PathBesideFile(deep, u"short.ini").has_value());
    EXPECT_EQ(PathBesideFile(deep, u"a-rather-long-file-name.ini"), std::nullopt);
}

TEST(DumpPathFor, ReplacesTheLastExtension) {
    EXPECT_EQ(DumpPathFor(u"C:\\Games\\Zelqa7.exe"), u"C:\\Games\\Zelqa7.dmp");
    EXPECT_EQ(DumpPathFor(u"C:\\Games\\Zelqa7"), std::nullopt);
    EXPECT_EQ(DumpPathFor(u"C:\\v1.2\\Zelqa7"), u"C:\\v1.dmp");
}

TEST(QuotedProgramPath, KeepsPathsWithSpacesWhole) {
    EXPECT_EQ(QuotedProgramPath(u"C:\\Program Files\\Vorn\\Zelqa7.exe"), u"\"C:\\Program Files\\Vorn\\Zelqa7.exe\"");
    EXPECT_EQ(QuotedProgramPath(u"C:\\x.exe"), u"\"C:\\x.exe\"");
}

TEST(StartGateAllows, OneStartAPeriodAndNothingOnATimeFromTheFuture) {
    EXPECT_TRUE(StartGateAllows(5, 0, 1000));  // never started
    EXPECT_FALSE(StartGateAllows(10999, 10000, 1000));
    EXPECT_TRUE(StartGateAllows(11000, 10000, 1000));
    EXPECT_FALSE(StartGateAllows(10000, 10000, 1000));
    // A last start ahead of now (which only a fault writes) holds starts back; it does not
    // wrap round into "long ago".
    EXPECT_FALSE(StartGateAllows(10000, 20000, 1000));
}
