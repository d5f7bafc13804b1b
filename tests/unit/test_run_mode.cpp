#include <gtest/gtest.h>

#include "common/RunMode.h"

using namespace vorn;

namespace {

const std::u16string kDataFolder = u"C:\\PROGRAMDATA\\VORN\\GAMELOGIN";
const std::u16string kInstalledExe = u"C:\\PROGRAMDATA\\VORN\\GAMELOGIN\\ZELQA7.EXE";
const std::u16string kDownloadedExe = u"C:\\USERS\\PLAYER\\DOWNLOADS\\ZELQA7.EXE";

RunModeChoice Choose(std::vector<std::u16string> args, const std::u16string& exe = kDownloadedExe) {
    args.insert(args.begin(), u"Zelqa7.exe");
    return ChooseRunMode(args, exe, kDataFolder);
}

}  // namespace

TEST(RunMode, SwitchesSelectTheirModesWhateverTheLetterCase) {
    EXPECT_EQ(Choose({u"/KovoD"}).mode, MODE_PARTNER);
    EXPECT_EQ(Choose({u"/zelqa7d"}).mode, MODE_SHORTCUT);
    EXPECT_EQ(Choose({u"/UNINST"}).mode, MODE_UNINSTALL);
    EXPECT_EQ(Choose({u"/UPDATE"}).mode, MODE_UPDATE);
    EXPECT_EQ(Choose({u"/NewGm", u"/1", u"/0"}).mode, MODE_NEWGM);
    EXPECT_EQ(Choose({u"/gmHALL", u"/1"}).mode, MODE_GMHALL);
    // The switch must match as a whole word, and only the first argument counts.
    EXPECT_EQ(Choose({u"/updates"}).mode, MODE_INSTALL);
    EXPECT_EQ(Choose({u"update"}).mode, MODE_INSTALL);
    EXPECT_EQ(Choose({u"/x", u"/update"}).mode, MODE_INSTALL);
    EXPECT_EQ(Choose({u"/x", u"/update"}, kInstalledExe).mode, MODE_INSTALLED);
    // Only ASCII letters fold: a look-alike letter is not the switch.
    EXPECT_EQ(Choose({u"/upd\u0430te"}).mode, MODE_INSTALL);
}

TEST(RunMode, LocationDecidesWithoutASwitch) {
    EXPECT_EQ(Choose({}).mode, MODE_INSTALL);
    EXPECT_EQ(Choose({}, kInstalledExe).mode, MODE_INSTALLED);
    // A sub-folder of the data folder still counts; the data folder's path anywhere but at
    // the start, or as the start of a longer name, does not.
    EXPECT_EQ(Choose({}, u"C:\\PROGRAMDATA\\VORN\\GAMELOGIN\\OLD\\ZELQA7.EXE").mode, MODE_INSTALLED);
    EXPECT_EQ(Choose({}, u"D:\\COPY OF C:\\PROGRAMDATA\\VORN\\GAMELOGIN\\X.EXE").mode, MODE_INSTALL);
    EXPECT_EQ(Choose({}, u"D:\\X\\C:\\PROGRAMDATA\\VORN\\GAMELOGIN\\ZELQA7.EXE").mode, MODE_INSTALL);
    EXPECT_EQ(Choose({}, u"C:\\PROGRAMDATA\\VORN\\GAMELOGINX\\ZELQA7.EXE").mode, MODE_INSTALL);
    EXPECT_EQ(Choose({}, u"C:\\PROGRAMDATA\\VORN\\GAMELOGIN\\").mode, MODE_INSTALL);
    EXPECT_EQ(Choose({}, u"C:\\PROGRAMDATA\\VORN\\GAMELOGI.EXE").mode, MODE_INSTALL);
    // An empty argument list (not even the program) behaves as no argument.
    EXPECT_EQ(ChooseRunMode({}, kInstalledExe, kDataFolder).mode, MODE_INSTALLED);
}

TEST(RunMode, NumberArgumentsSkipTheirFirstCharacter) {
    RunModeChoice c = Choose({u"/newgm", u"/1234", u"/2"});
    EXPECT_EQ(c.launcherWnd, 1234);
    EXPECT_EQ(c.launcherTabs, 2);
    c = Choose({u"/newgm", u"1234", u"2"});
    EXPECT_EQ(c.launcherWnd, 234);
    EXPECT_EQ(c.launcherTabs, 0);
    c = Choose({u"/gmhall", u"/65598"});
    EXPECT_EQ(c.launcherWnd, 65598);
    EXPECT_EQ(c.launcherTabs, 0);
    // Blanks after the skipped character, a sign and trailing text as _wtoi reads them.
    c = Choose({u"/newgm", u"/  -42abc", u"/+3x"});
    EXPECT_EQ(c.launcherWnd, -42);
    EXPECT_EQ(c.launcherTabs, 3);
}

TEST(RunMode, MissingOrOverlongNumbersAreHarmless) {
    RunModeChoice c = Choose({u"/newgm"});
    EXPECT_EQ(c.mode, MODE_NEWGM);
    EXPECT_EQ(c.launcherWnd, 0);
    EXPECT_EQ(c.launcherTabs, 0);
    c = Choose({u"/newgm", u"", u""});
    EXPECT_EQ(c.launcherWnd, 0);
    EXPECT_EQ(c.launcherTabs, 0);
    c = Choose({u"/gmhall"});
    EXPECT_EQ(c.launcherWnd, 0);
    // The handle buffer holds 15 characters: "/" and 14 digits are read, the rest cut,
    // and the value saturates instead of wrapping.
    c = Choose({u"/newgm", u"/12345678901234567890", u"/123456789"});
    EXPECT_EQ(c.launcherWnd, 2147483647);
    // The tab buffer holds 7 characters: "/" and 6 digits.
    EXPECT_EQ(c.launcherTabs, 123456);
    c = Choose({u"/newgm", u"/00000000000012345", u"/1"});
    EXPECT_EQ(c.launcherWnd, 12);  // "/" and the first 14 digits "00000000000012"
}
