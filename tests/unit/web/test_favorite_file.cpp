#include <gtest/gtest.h>

#include "web/FavoriteFile.h"

using namespace vorn;

TEST(FavoriteFile, TextHoldsTheAddressTwiceWholeHoweverLong) {
    EXPECT_EQ(FavoriteFileText(u"http://h/g?a=1"),
              u"[DEFAULT]\r\nBASEURL=http://h/g?a=1\r\n[{000214A0-0000-0000-C000-000000000046}]\r\n=19,2\r\n"
              u"[InternetShortcut]\r\nURL=http://h/g?a=1\r\nIDList=\r\n");
    const std::u16string longUrl = u"http://h/" + std::u16string(600, u'x');
    const std::u16string text = FavoriteFileText(longUrl).value();
    EXPECT_NE(text.find(u"BASEURL=" + longUrl + u"\r\n"), std::u16string::npos);
    EXPECT_NE(text.find(u"\r\nURL=" + longUrl + u"\r\nIDList=\r\n"), std::u16string::npos);
}

TEST(FavoriteFile, AnAddressWithALineBreakOrOtherControlCharacterWritesNoFile) {
    EXPECT_FALSE(FavoriteFileText(u"http://h/\r\n[InternetShortcut]\r\nURL=file:///c:/x.exe"));
    EXPECT_FALSE(FavoriteFileText(u"http://h/\ng"));
    EXPECT_FALSE(FavoriteFileText(u"http://h/\tg"));
    EXPECT_FALSE(FavoriteFileText(u"http://h/\x7Fg"));
    EXPECT_TRUE(FavoriteFileText(u"http://h/g?a=\u4E2D%0D%0A"));  // escaped, it stays one line
}

TEST(FavoriteFile, NamesStayInsideTheFolder) {
    EXPECT_EQ(FavoriteFileName(u"Mirelund 1服"), u"Mirelund 1服.url");
    EXPECT_EQ(FavoriteFileName(u""), u".url");
    EXPECT_EQ(FavoriteFileName(u"..\\..\\x:y*?\"<>|/\t"), u".._.._x_y________.url");
    EXPECT_EQ(FavoriteFileName(u"con"), u"_con.url");
    EXPECT_EQ(FavoriteFileName(u"COM3.game"), u"_COM3.game.url");
    EXPECT_EQ(FavoriteFileName(u"COMX"), u"COMX.url");
    EXPECT_EQ(FavoriteFileName(u"nul .txt"), u"_nul .txt.url");
    EXPECT_EQ(FavoriteFileName(u"LPT\u00B9"), u"_LPT\u00B9.url");
    EXPECT_EQ(FavoriteFileName(std::u16string(200, u'a')), std::u16string(127, u'a') + u".url");
}
