#include <gtest/gtest.h>

#include "online/GameDownloadRules.h"
#include "online/NoticeRules.h"

using namespace vorn;

TEST(NoticeLine, SevenFieldsTheLastTakesTheRestAndAMissingBarRefuses) {
    const auto f = ParseNoticeLine(u"n7|2025-03-01|标题|http://a/b|内容|http://a/p.jpg|3|extra");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->id, u"n7");
    EXPECT_EQ(f->expiry, u"2025-03-01");
    EXPECT_EQ(f->title, u"标题");
    EXPECT_EQ(f->link, u"http://a/b");
    EXPECT_EQ(f->content, u"内容");
    EXPECT_EQ(f->pictureUrl, u"http://a/p.jpg");
    EXPECT_EQ(f->repeat, 3);
    EXPECT_EQ(ParseNoticeLine(u"||||||")->repeat, 0);
    EXPECT_EQ(ParseNoticeLine(u"a|b|c|d|e|f|x2")->repeat, 0);
    EXPECT_FALSE(ParseNoticeLine(u"a|b|c|d|e|f"));  // six fields
    EXPECT_FALSE(ParseNoticeLine(u""));
    EXPECT_EQ(NoticeFirstLine(u"a|b|c|d|e|f|2\r\n[Zelqa7]\r\nShortKey=0,65"), u"a|b|c|d|e|f|2");
}

TEST(NoticeLine, LongFieldsAreCutToTheirBuffersWithoutSplittingACharacter) {
    const std::u16string title(70, u'题');
    const std::u16string id(40, u'i');
    const auto f = ParseNoticeLine(id + u"|2025-03-01|" + title + u"|l|" + std::u16string(600, u'x') + u"||1");
    ASSERT_TRUE(f);
    EXPECT_EQ(f->id.size(), kNoticeIdChars - 1);
    EXPECT_EQ(f->title, std::u16string(kNoticeTitleChars - 1, u'题'));
    EXPECT_EQ(f->content.size(), kNoticeContentChars - 1);
    EXPECT_EQ(f->repeat, 1);
    // A character outside the basic plane straddling the limit goes whole.
    const std::u16string pair = u"\U0001F600";
    const auto g = ParseNoticeLine(u"i|d|" + std::u16string(62, u't') + pair + u"||||0");
    ASSERT_TRUE(g);
    EXPECT_EQ(g->title, std::u16string(62, u't'));
}

TEST(NoticeDecisions, NewKnownAndDismissedNotices) {
    const std::u16string line = u"n1|2025-03-01|t|l|c||0";
    EXPECT_FALSE(IsNoticeWanted(u"", u"", u""));
    EXPECT_TRUE(IsNoticeWanted(line, u"", u"0"));                       // nothing stored
    EXPECT_TRUE(IsNoticeWanted(line, u"n0|2025-02-01|t|l|c||0", u"0"));  // another notice
    EXPECT_TRUE(IsNoticeWanted(line, line, u"1"));
    EXPECT_TRUE(IsNoticeWanted(line, line, u""));
    EXPECT_FALSE(IsNoticeWanted(line, line, u"0"));
    // The old line with something appended is the same notice.
    EXPECT_FALSE(IsNoticeWanted(line + u" 更新", line, u"0"));
}

TEST(NoticeDecisions, ExpiryAgainstToday) {
    EXPECT_FALSE(IsNoticeExpired(u"2025-03-01", u"2025-03-01"));
    EXPECT_TRUE(IsNoticeExpired(u"2025-02-28", u"2025-03-01"));
    EXPECT_FALSE(IsNoticeExpired(u"2025-03-02", u"2025-03-01"));
    EXPECT_TRUE(IsNoticeExpired(u"2024-12-31", u"2025-01-01"));
    EXPECT_FALSE(IsNoticeExpired(u"2025-3-1 23:59", u"2025-03-01"));
    EXPECT_TRUE(IsNoticeExpired(u"20250301", u"2025-03-01"));
    EXPECT_TRUE(IsNoticeExpired(u"", u"2025-03-01"));
}

TEST(NoticeDecisions, LayoutAndShortenedText) {
    NoticeFields f;
    f.content = u"c";
    EXPECT_EQ(ChooseNoticeLayout(f), NoticeLayout::TextOnly);
    f.pictureUrl = u"http://a/p.jpg";
    EXPECT_EQ(ChooseNoticeLayout(f), NoticeLayout::PictureAndText);
    f.content.clear();
    EXPECT_EQ(ChooseNoticeLayout(f), NoticeLayout::PictureOnly);

    EXPECT_EQ(ShortenNoticeText(u"停服维护", 54), u"停服维护");
    EXPECT_EQ(ShortenNoticeText(std::u16string(54, u'字'), 54), std::u16string(54, u'字'));
    EXPECT_EQ(ShortenNoticeText(std::u16string(55, u'字'), 54), std::u16string(54, u'字') + u"...");
    EXPECT_EQ(ShortenNoticeText(u"ab\U0001F600", 3), u"ab...");
}

TEST(NoticeLinks, OnlyWebAddressesOpen) {
    EXPECT_TRUE(IsOpenableNoticeLink(u"http://www.vorn.example/news?id=3"));
    EXPECT_TRUE(IsOpenableNoticeLink(u"HTTPS://www.vorn.example/活动"));
    for (const char16_t* link : {u"", u"C:\\Windows\\system32\\calc.exe", u"file:///C:/x.exe", u"\\\\host\\share\\x.exe",
                                 u"javascript:alert(1)", u"mailto:a@b", u"httpx://a", u" http://a",
                                 u"http://a\" --new-window \"file:///C:/x", u"http://a b", u"http://a\tb"}) {
        EXPECT_FALSE(IsOpenableNoticeLink(link)) << std::string(link, link + std::char_traits<char16_t>::length(link));
    }
}

TEST(GameDownload, NamesConfigurationAddressAndLabel) {
    EXPECT_TRUE(IsAcceptedLauncherName(u"Tessaly"));
    EXPECT_TRUE(IsAcceptedLauncherName(u"Game_2-b"));
    for (const char16_t* name : {u"", u"..\\Zelqa7", u"a/b", u"a b", u"a.exe", u"C:", u"游戏", u"Statistic", u"statistic",
                                 u"CON", u"nul", u"Com1", u"lpt9", u"AUX"}) {
        EXPECT_FALSE(IsAcceptedLauncherName(name));
    }
    EXPECT_EQ(OtherLauncherConfigUrl(u"http://127.0.0.1:28417/update/ConfigZelqa7.htm", u"Tessaly"),
              u"http://127.0.0.1:28417/update/ConfigTessaly.htm");
    EXPECT_EQ(OtherLauncherConfigUrl(u"http://Zelqa7.example/Zelqa7/zelqa7.htm", u"T"), u"http://T.example/T/zelqa7.htm");
    EXPECT_EQ(DownloadedLabel(100), u"已加载  100%");
    EXPECT_EQ(DownloadedLabel(7), u"已加载  7%");
}
