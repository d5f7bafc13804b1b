#include <gtest/gtest.h>

#include "app/SelfDeleteBatch.h"

using namespace vorn;

namespace {
constexpr char kPing[] = "C:\\windows\\system32\\PING.EXE";
}

TEST(SelfDeleteBatch, ShortFormTriesABoundedNumberOfTimesThenDeletesItself) {
    const auto text = SelfDeleteBatchText(kPing, "C:\\Games\\Zelqa7.exe", "", "C:\\windows\\Temp\\VornDel1.bat", 60);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text,
              "@echo off\r\n"
              "setlocal DisableDelayedExpansion\r\n"
              "set tries=0\r\n"
              ":delexe\r\n"
              "\"C:\\windows\\system32\\PING.EXE\" -n 2 127.0.0.1 >nul\r\n"
              "del /f \"C:\\Games\\Zelqa7.exe\"\r\n"
              "if not exist \"C:\\Games\\Zelqa7.exe\" goto deleted\r\n"
              "set /a tries+=1\r\n"
              "if %tries% lss 60 goto delexe\r\n"
              "goto done\r\n"
              ":deleted\r\n"
              ":done\r\n"
              "del \"C:\\windows\\Temp\\VornDel1.bat\"\r\n");
}

TEST(SelfDeleteBatch, LongFormWritesEveryPathLiterallyAndRemovesTheFolderOnlyOnceTheExecutableHasGone) {
    // cmd expands "%" even inside quotes; "!", "&" and "^" are literal there.
    const std::string exe = "D:\\Games 100%PATH%!&^\\Zelqa7.exe";
    const auto text = SelfDeleteBatchText(kPing, exe, BatchFolderOf(exe), "x.bat", 3);
    ASSERT_TRUE(text);
    const std::string literalExe = "\"D:\\Games 100%%PATH%%!&^\\Zelqa7.exe\"";
    const std::string literalFolder = "\"D:\\Games 100%%PATH%%!&^\"";
    EXPECT_NE(text->find("del /f " + literalExe + "\r\nif not exist " + literalExe + " goto deleted\r\n"),
              std::string::npos);
    EXPECT_NE(text->find("if %tries% lss 3 goto delexe\r\ngoto done\r\n:deleted\r\ndel " + literalFolder +
                         " /Q /F /A\r\nrd " + literalFolder + "\r\n:done\r\ndel \"x.bat\"\r\n"),
              std::string::npos);
    // Apart from the loop's own counter, no "%" that cmd would take as a variable.
    std::string rest = *text;
    for (const std::string pair : {"%%", "%tries%"}) {
        for (size_t at; (at = rest.find(pair)) != std::string::npos;) rest.erase(at, pair.size());
    }
    EXPECT_EQ(rest.find('%'), std::string::npos);
    EXPECT_EQ(BatchFolderOf("Zelqa7.exe"), "Zelqa7.exe");
}

TEST(SelfDeleteBatch, NamesCmdCannotTakeLiterallyAreRefused) {
    EXPECT_FALSE(SelfDeleteBatchText(kPing, "C:\\a\"b.exe", "", "t.bat", 5));
    EXPECT_FALSE(SelfDeleteBatchText(kPing, "C:\\a.exe\r\ndel C:\\x", "", "t.bat", 5));
    EXPECT_FALSE(SelfDeleteBatchText(kPing, "C:\\a.exe", std::string("C:\\a\0b", 6), "t.bat", 5));
    EXPECT_FALSE(SelfDeleteBatchText(kPing, "", "", "t.bat", 5));
    EXPECT_FALSE(SelfDeleteBatchText(kPing, "C:\\a.exe", "", "t.bat", 0));  // an unbounded loop
    // Without the system's ping by its full path there is no pause to write.
    EXPECT_FALSE(SelfDeleteBatchText("", "C:\\a.exe", "", "t.bat", 5));
    // No length limit of its own: the names are the system's paths.
    EXPECT_TRUE(SelfDeleteBatchText(kPing, std::string(700, 'b'), std::string(700, 'c'), "t.bat", 1));
}

TEST(SelfDeleteBatch, AReinstallTakesBackOnlyItsOwnDeletesAtRestart) {
    using namespace std::string_literals;
    const std::u16string list = u"\\??\\C:\\ProgramData\\Vorn\\GameLogin\\Zelqa7.exe\0\0"
                                u"\\??\\C:\\a.tmp\0!\\??\\C:\\b.tmp\0"  // a rename: kept
                                u"\\??\\c:\\programdata\\vorn\\gamelogin\0\0"
                                u"\\??\\C:\\ProgramData\\Vorn\\GameLogin\\Zelqa7.exe.old\0\0\0"s;
    const std::vector<std::u16string> paths{u"C:\\ProgramData\\Vorn\\GameLogin\\Zelqa7.exe",
                                            u"C:\\ProgramData\\Vorn\\GameLogin"};
    EXPECT_EQ(WithoutPendingDeletes(list, paths),
              u"\\??\\C:\\a.tmp\0!\\??\\C:\\b.tmp\0\\??\\C:\\ProgramData\\Vorn\\GameLogin\\Zelqa7.exe.old\0\0\0"s);
    EXPECT_EQ(WithoutPendingDeletes(u"\\??\\C:\\ProgramData\\Vorn\\GameLogin\0\0\0"s, paths), u"");
    EXPECT_EQ(WithoutPendingDeletes(u"", paths), u"");
}
