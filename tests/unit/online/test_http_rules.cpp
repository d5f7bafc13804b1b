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

TEST(Redirects, EveryHopIsAnHttpAddressJudgedLikeTheFirst) {
    for (std::u16string_view code : {u"301", u"302", u"303", u"307", u"308"}) EXPECT_TRUE(IsRedirectStatus(code));
    for (std::u16string_view code : {u"200", u"304", u"300", u"404", u"3020", u"30x", u""}) {
        EXPECT_FALSE(IsRedirectStatus(code)) << code.size();
    }
    const auto domains = ParseServiceDomains(u"vorn.example");
    const auto from = SplitHostAndPath(u"http://dl.vorn.example:8080/a/b.exe", true);
    ASSERT_TRUE(from);
    // A path keeps the host and its port; a scheme-relative address keeps only the scheme.
    EXPECT_EQ(RedirectAddress(*from, u"/c.exe?x=1"), u"http://dl.vorn.example:8080/c.exe?x=1");
    EXPECT_EQ(RedirectAddress(*from, u"//other.host/c.exe"), u"http://other.host/c.exe");
    EXPECT_EQ(RedirectAddress(*SplitHostAndPath(u"http://vorn.example/a", true), u"/b"), u"http://vorn.example/b");
    EXPECT_EQ(RedirectAddress(*from, u"HTTP://Vorn.Example/c.exe"), u"HTTP://Vorn.Example/c.exe");
    // The next address passes the same test as the first: a foreign host is refused.
    EXPECT_TRUE(IsServiceUrl(*RedirectAddress(*from, u"/c.exe"), domains));
    EXPECT_FALSE(IsServiceUrl(*RedirectAddress(*from, u"//evil.host/vorn.example"), domains));
    EXPECT_FALSE(IsServiceUrl(*RedirectAddress(*from, u"http://vorn.example@evil.host/"), domains));
    // Nothing this client cannot fetch, nothing relative to the object, nothing that could
    // smuggle another header or host, nothing too long to fetch.
    for (std::u16string location : {u"https://vorn.example/c.exe", u"ftp://vorn.example/c", u"c.exe", u"",
                                    u"file:///c:/x.exe", u"/c.exe\r\nHost: evil.host", u"/a b", u"/\x7f"}) {
        EXPECT_FALSE(RedirectAddress(*from, location)) << std::string(location.begin(), location.end());
    }
    EXPECT_FALSE(RedirectAddress(*from, u"/" + std::u16string(511, u'a')));
    EXPECT_TRUE(RedirectAddress(*from, u"http://h/" + std::u16string(502, u'a')));
}

TEST(ReplyLimits, SizeAndProgressDeadline) {
    EXPECT_TRUE(FitsReplyLimit(kConfigReplyBytes, kConfigReplyBytes));
    EXPECT_FALSE(FitsReplyLimit(kConfigReplyBytes + 1, kConfigReplyBytes));
    EXPECT_FALSE(FitsReplyLimit(0xFFFFFFFFu, kProgramReplyBytes));  // the largest length a reply can announce

    // Silence: the window runs out from the start.
    ProgressDeadline quiet(30000, 4096, 1000);
    EXPECT_EQ(quiet.MsLeft(1000), 30000u);
    EXPECT_EQ(quiet.MsLeft(21000), 10000u);
    EXPECT_EQ(quiet.MsLeft(31000), 0u);
    EXPECT_EQ(quiet.MsLeft(500), 30000u);  // a clock that went back counts as no time passed
    // A trickle of a byte every 20 s never renews the window; enough bytes do.
    ProgressDeadline trickle(30000, 4096, 0);
    trickle.Received(1, 20000);
    EXPECT_EQ(trickle.MsLeft(29999), 1u);
    EXPECT_EQ(trickle.MsLeft(40000), 0u);
    ProgressDeadline steady(30000, 4096, 0);
    steady.Received(4000, 20000);
    steady.Received(96, 29000);  // 4096 in all: a new window from here
    EXPECT_EQ(steady.MsLeft(40000), 19000u);
    steady.Received(4095, 58000);
    EXPECT_EQ(steady.MsLeft(59000), 0u);
}
