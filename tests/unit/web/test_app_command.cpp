#include <gtest/gtest.h>

#include "web/AppCommand.h"

using namespace vorn;

namespace {
AccountKey KeyOf(std::u16string_view url) {
    return SplitAccountPart(DecodeAccountPart(ParseLoginCommand(url).accountPart));
}
}  // namespace

TEST(LoginCommand, WordsAreExactAndOnlyAppAddressesAreCommands) {
    EXPECT_EQ(ParseLoginCommand(u"app://exitgame").command, LoginCommand::ExitGame);
    EXPECT_EQ(ParseLoginCommand(u"app://minimize?x").command, LoginCommand::Minimize);
    EXPECT_EQ(ParseLoginCommand(u"app://ExitGame").command, LoginCommand::Unknown);
    EXPECT_EQ(ParseLoginCommand(u"app://reload").command, LoginCommand::Unknown);
    EXPECT_EQ(ParseLoginCommand(u"app:").command, LoginCommand::Unknown);
    EXPECT_EQ(ParseLoginCommand(u"APP://exitgame").command, LoginCommand::NotACommand);
    EXPECT_EQ(ParseLoginCommand(u"http://h/app://exitgame").command, LoginCommand::NotACommand);
}

TEST(LoginCommand, LoadGameSplitsAtTheFirstBarAfterTheWord) {
    const LoginRequest r = ParseLoginCommand(u"app://loadgame|S1服-2-abc|http://h/play?a=1|b=2");
    EXPECT_EQ(r.command, LoginCommand::LoadGame);
    EXPECT_EQ(r.accountPart, u"S1服-2-abc");
    EXPECT_EQ(r.gameUrl, u"http://h/play?a=1|b=2");
    // Without the second bar both are empty, and the key is the separators alone.
    const LoginRequest bare = ParseLoginCommand(u"app://loadgame|S1服-2-abc");
    EXPECT_TRUE(bare.accountPart.empty());
    EXPECT_TRUE(bare.gameUrl.empty());
    EXPECT_EQ(SplitAccountPart(bare.accountPart).Key(), u"服--");
    EXPECT_TRUE(ParseLoginCommand(u"app://loadgame|").gameUrl.empty());
}

TEST(LoginCommand, OnlyAWebAddressIsAGameAddress) {
    EXPECT_TRUE(IsGameAddress(u"http://h/play?a=1|b=2"));
    EXPECT_TRUE(IsGameAddress(u"HTTPS://h/"));
    for (std::u16string_view url : {u"", u"file:///C:/Windows/System32/calc.exe", u"javascript:alert(1)",
                                    u"res://x.dll/y", u"\\\\host\\share\\x.htm", u"http:/x", u" http://h/",
                                    u"http://h/\r\nx"}) {
        EXPECT_FALSE(IsGameAddress(url)) << std::string(url.begin(), url.end());
    }
}

TEST(AccountPart, ServerMiddleAccountWithTheCleanUps) {
    const AccountKey plain = KeyOf(u"app://loadgame|S1服-2-abc|u");
    EXPECT_EQ(plain.server, u"1");
    EXPECT_EQ(plain.middle, u"2");
    EXPECT_EQ(plain.account, u"abc");
    EXPECT_EQ(plain.Key(), u"1服-2-abc");

    EXPECT_EQ(KeyOf(u"app://loadgame|%E5%8F%8C%E7%BA%BF1%E6%9C%8D-2-abc|u").Key(), u"双线1服-2-abc");
    EXPECT_EQ(SplitAccountPart(u"S2服-一区《龙腾四海》-player").middle, u"龙腾四海");
    EXPECT_EQ(SplitAccountPart(u"1服-《AB》-x").middle, u"AB》");
    EXPECT_EQ(SplitAccountPart(u"1服-二区》-x").middle, u"二区》");
    EXPECT_EQ(SplitAccountPart(u"1服-《二区-x").middle, u"《二区");
    // Only a capital S goes; the account keeps its own.
    EXPECT_EQ(SplitAccountPart(u"sSvS服-1-SAM").Key(), u"sv服-1-SAM");

    const AccountKey noServer = SplitAccountPart(u"-abc-def");
    EXPECT_EQ(noServer.server, u"");
    EXPECT_EQ(noServer.middle, u"abc");
    EXPECT_EQ(noServer.account, u"def");
    // No "-" after the middle's start: the whole part is the account.
    EXPECT_EQ(SplitAccountPart(u"S1服-").Key(), u"1服--S1服-");
}

TEST(AccountPart, DecodingCutsOnlyBetweenWholeCharacters) {
    EXPECT_EQ(DecodeAccountPart(u"a+b%zz%4"), u"a+b%zz%4");  // not escapes: kept as written
    EXPECT_EQ(DecodeAccountPart(u"%FF%41"), u"\uFFFDA");
    EXPECT_EQ(DecodeAccountPart(u"%E6%9C"), u"\uFFFD\uFFFD");
    EXPECT_EQ(DecodeAccountPart(u"%41服"), u"A服");

    // 28 escaped characters take 252 bytes; a 29th would need 9 more: it is left out
    // whole instead of cut through its escapes.
    std::u16string part;
    for (int i = 0; i < 90; ++i) part += u"%E6%9C%8D";
    const std::u16string decoded = DecodeAccountPart(part);
    EXPECT_EQ(decoded, std::u16string(28, u'服'));
    // Plain characters count one byte each up to the limit.
    EXPECT_EQ(DecodeAccountPart(u"%41" + std::u16string(300, u'x')).size(), 253u);
}

TEST(LoginMessages, DuplicateNamesAccountThenServer) {
    EXPECT_EQ(DuplicateLoginMessage(SplitAccountPart(u"S7服-2-abc")), u"账号 abc 已在 7服 登录，同一账号不能在一服重复登录");
}

TEST(DialogNavigation, AppIsCancelledAndJavascriptAllowed) {
    EXPECT_EQ(FilterDialogNavigation(u"app://loadgame|x|y"), DialogNavigation::Cancel);
    EXPECT_EQ(FilterDialogNavigation(u"APP://exitgame"), DialogNavigation::Proceed);
    EXPECT_EQ(FilterDialogNavigation(u"javascript:void(0)"), DialogNavigation::Allow);
    EXPECT_EQ(FilterDialogNavigation(u"JavaScript:void(0)"), DialogNavigation::Proceed);
    EXPECT_EQ(FilterDialogNavigation(u"http://h/"), DialogNavigation::Proceed);
}

TEST(EnterGame, NameAndDownloadPage) {
    const std::u16string fallback = u"http://kovo/";
    const EnterGameRequest r = ParseEnterGame(u"app://entergame|zelqa7/|http://h/download/zelqa7.htm", fallback);
    EXPECT_TRUE(r.isCommand);
    EXPECT_TRUE(r.carryOut);
    EXPECT_EQ(r.name, u"Zelqa7");
    EXPECT_EQ(r.downloadPage, u"http://h/download/zelqa7.htm");

    const EnterGameRequest noPage = ParseEnterGame(u"app://entergame|tessaly/", fallback);
    EXPECT_EQ(noPage.name, u"Tessaly");
    EXPECT_EQ(noPage.downloadPage, fallback);

    EXPECT_FALSE(ParseEnterGame(u"app://exitgame", fallback).isCommand);
    EXPECT_FALSE(ParseEnterGame(u"app://entergame|", fallback).carryOut);
    EXPECT_FALSE(ParseEnterGame(u"app://entergame|/|http://h/", fallback).carryOut);
}

TEST(EnterGame, NamesThatWouldLeaveTheDataFolderOrNameAnotherProgramAreRefused) {
    const std::u16string fallback = u"http://kovo/";
    for (std::u16string_view url : {u"app://entergame|..\\..\\Windows\\notepad", u"app://entergame|C:evil",
                                    u"app://entergame|a b", u"app://entergame|x.exe", u"app://entergame|名字",
                                    u"app://entergame|con", u"app://entergame|Com1", u"app://entergame|/n/u/l|http://h/"}) {
        SCOPED_TRACE(std::string(url.begin(), url.end()));
        const EnterGameRequest r = ParseEnterGame(url, fallback);
        EXPECT_TRUE(r.isCommand);
        EXPECT_FALSE(r.carryOut);
    }
    // Digits and capitals stay as they are instead of turning into control characters.
    EXPECT_EQ(ParseEnterGame(u"app://entergame|7days", fallback).name, u"7days");
    EXPECT_EQ(ParseEnterGame(u"app://entergame|Game_x-1", fallback).name, u"Game_x-1");
    // A download page is opened by the shell: only web addresses, and none with a blank, a
    // quote or a control character that could add an argument to the browser's command line.
    EXPECT_EQ(ParseEnterGame(u"app://entergame|a|C:\\Windows\\notepad.exe", fallback).downloadPage, fallback);
    for (std::u16string_view page : {u"http://h/x -new-window file:///C:/", u"http://h/x\"--flag", u"http://h/\tx",
                                     u"http://h/\x7F"}) {
        EXPECT_EQ(ParseEnterGame(u"app://entergame|a|" + std::u16string(page), fallback).downloadPage, fallback);
    }
    EXPECT_EQ(ParseEnterGame(u"app://entergame|a|HTTPS://h/x", fallback).downloadPage, u"HTTPS://h/x");
}
