#include <gtest/gtest.h>

#include "app/SelfDeleteBatch.h"

using namespace vorn;

TEST(SelfDeleteBatch, ShortFormTriesABoundedNumberOfTimesThenDeletesItself) {
    const auto text = SelfDeleteBatchText("DelB1C.tmp.exe", "", "DelB1C.tmp.bat", 60);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text,
              "@echo off\r\n"
              "setlocal DisableDelayedExpansion\r\n"
              "set tries=0\r\n"
              ":delexe\r\n"
              "ping -n 2 127.0.0.1 >nul\r\n"
              "del /f \"DelB1C.tmp.exe\"\r\n"
              "if not exist \"DelB1C.tmp.exe\" goto deleted\r\n"
              "set /a tries+=1\r\n"
              "if %tries% lss 60 goto delexe\r\n"
              "goto done\r\n"
              ":deleted\r\n"
              ":done\r\n"
              "del \"DelB1C.tmp.bat\"\r\n");
}

TEST(SelfDeleteBatch, LongFormWritesEveryPathLiterallyAndRemovesTheFolderOnlyOnceTheExecutableHasGone) {
    // cmd expands "%" even inside quotes; "!", "&" and "^" are literal there.
    const std::string exe = "D:\\Games 100%PATH%!&^\\Zelqa7.exe";
    const auto text = SelfDeleteBatchText(exe, BatchFolderOf(exe), "x.bat", 3);
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
    EXPECT_FALSE(SelfDeleteBatchText("C:\\a\"b.exe", "", "t.bat", 5));
    EXPECT_FALSE(SelfDeleteBatchText("C:\\a.exe\r\ndel C:\\x", "", "t.bat", 5));
    EXPECT_FALSE(SelfDeleteBatchText("C:\\a.exe", std::string("C:\\a\0b", 6), "t.bat", 5));
    EXPECT_FALSE(SelfDeleteBatchText("", "", "t.bat", 5));
    EXPECT_FALSE(SelfDeleteBatchText("C:\\a.exe", "", "t.bat", 0));  // an unbounded loop
    // No length limit of its own: the names are the system's paths.
    EXPECT_TRUE(SelfDeleteBatchText(std::string(700, 'b'), std::string(700, 'c'), "t.bat", 1));
}
