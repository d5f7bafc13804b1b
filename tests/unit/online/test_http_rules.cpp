#include <gtest/gtest.h>

#include "online/HttpRules.h"

using namespace vorn;

TEST(SplitHostAndPath, CutsHostPortAndObject) {
    auto parts = SplitHostAndPath(u"http://host.example:8080/update/ConfigZelqa7.htm", false);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->host, u"host.example");
    EXPECT_EQ(parts->port, 8080);
    EXPECT_EQ(parts->object, u"update/ConfigZelqa7.htm");

    parts = SplitHostAndPath(u"http://host.example", false);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->host, u"host.example");
    EXPECT_EQ(parts->port, 80);
    EXPECT_EQ(parts->object, u"");  // no "/" after the host: empty object name

    parts = SplitHostAndPath(u"http://h/a/b?x=1/2", false);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->object, u"a/b?x=1/2");
    parts = SplitHostAndPath(u"http://h:/x", false);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->port, 80);
}

TEST(SplitHostAndPath, SchemeIsCheckedOnlyForPings) {
    EXPECT_TRUE(SplitHostAndPath(u"HTTP://host/install.htm", true));
    EXPECT_FALSE(SplitHostAndPath(u"https://host/install.htm", true));
    EXPECT_FALSE(SplitHostAndPath(u"ftp://host/x", true));
    // Other variants skip seven characters unseen.
    auto parts = SplitHostAndPath(u"xxxxxxxhost/x", false);
    ASSERT_TRUE(parts);
    EXPECT_EQ(parts->host, u"host");
}

TEST(SplitHostAndPath, RefusesWhatWouldConnectElsewhere) {
    EXPECT_FALSE(SplitHostAndPath(u"http:/", false));                // too short
    EXPECT_FALSE(SplitHostAndPath(u"http:///x", false));             // no host
    EXPECT_FALSE(SplitHostAndPath(u"http://h:99999/x", false));      // would wrap to another port
    EXPECT_FALSE(SplitHostAndPath(u"http://h:80x/x", false));
    EXPECT_FALSE(SplitHostAndPath(u"http://h:-1/x", false));
    EXPECT_FALSE(SplitHostAndPath(u"http://" + std::u16string(260, u'h') + u"/x", false));
    EXPECT_TRUE(SplitHostAndPath(u"http://" + std::u16string(259, u'h') + u"/x", false));
    EXPECT_FALSE(SplitHostAndPath(u"http://h/" + std::u16string(512, u'o'), false));
    EXPECT_TRUE(SplitHostAndPath(u"http://h/" + std::u16string(511, u'o'), false));
}

TEST(IsServiceUrl, TheHostMustBeAServiceDomain) {
    const auto domains = ParseServiceDomains(u"vorn.example; Vorngame.example;;vornplay.example");
    ASSERT_EQ(domains.size(), 3u);
    EXPECT_TRUE(IsServiceUrl(u"http://vorn.example/NewZelqa7.exe", domains));
    EXPECT_TRUE(IsServiceUrl(u"http://dl.vorngame.example:8080/x.exe", domains));
    EXPECT_TRUE(IsServiceUrl(u"HTTP://DL.VORN.EXAMPLE/x.exe", domains));
    // A service domain anywhere else in the address is not enough.
    EXPECT_FALSE(IsServiceUrl(u"http://any.host/x?vorn.example", domains));
    EXPECT_FALSE(IsServiceUrl(u"http://any.host/vorn.example/x.exe", domains));
    EXPECT_FALSE(IsServiceUrl(u"http://evilvorn.example/x.exe", domains));
    EXPECT_FALSE(IsServiceUrl(u"http://vorn.example.evil.host/x.exe", domains));
    EXPECT_FALSE(IsServiceUrl(u"http://vorn.example@evil.host/x.exe", domains));
    EXPECT_FALSE(IsServiceUrl(u"http://evil.host\\@vorn.example/x.exe", domains));
    // The host tested is the host connected to: everything up to the first "/".
    const char16_t* disguised[] = {u"http://vorn.example?.other.host/x", u"http://vorn.example#.other.host/x",
                                   u"http://vorn.example\\.other.host/x", u"http://vorn.example?x=1"};
    for (size_t i = 0; i < std::size(disguised); ++i) EXPECT_FALSE(IsServiceUrl(disguised[i], domains)) << i;
    auto parts = SplitHostAndPath(u"http://dl.vorn.example:8080/x.exe?a=b#c", true);
    ASSERT_TRUE(parts);
    EXPECT_TRUE(IsServiceHost(*parts, domains));
    EXPECT_EQ(parts->host, u"dl.vorn.example");
    EXPECT_FALSE(IsServiceUrl(u"https://vorn.example/x.exe", domains));
    EXPECT_FALSE(IsServiceUrl(u"", domains));
    EXPECT_FALSE(IsServiceUrl(u"http://", domains));
    EXPECT_FALSE(IsServiceUrl(u"http://vorn.example/x.exe", {}));
}

TEST(HttpRules, StatusProgressAndPingAddress) {
    EXPECT_FALSE(IsAcceptedStatus(u"404"));
    EXPECT_TRUE(IsAcceptedStatus(u"200"));
    EXPECT_TRUE(IsAcceptedStatus(u"500"));  // written as if it were the resource
    EXPECT_TRUE(IsAcceptedStatus(u""));

    EXPECT_EQ(ProgressPercent(0, 1000), 0u);
    EXPECT_EQ(ProgressPercent(512, 1024), 50u);
    EXPECT_EQ(ProgressPercent(1024, 1024), 100u);
    EXPECT_EQ(ProgressPercent(2048, 1024), 100u);
    EXPECT_EQ(ProgressPercent(5, 0), 0u);
    // 32-bit arithmetic would wrap above about 42 MB.
    EXPECT_EQ(ProgressPercent(45000000, 90000000), 50u);
    EXPECT_EQ(ProgressPercent(4000000000ull, 4294967295ull), 93u);

    EXPECT_EQ(CounterPingAddress(u"127.0.0.1:28417", u"/install.htm?tag=zelqa7&ver=3.0.0.1", 1),
              u"http://127.0.0.1:28417/install.htm?tag=zelqa7&ver=3.0.0.1&count=1");
    EXPECT_EQ(CounterPingAddress(u"s", u"/a?b", 4294967295u), u"http://s/a?b&count=4294967295");
}
