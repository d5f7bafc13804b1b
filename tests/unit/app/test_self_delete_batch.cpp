#include <gtest/gtest.h>

#include "app/SelfDeleteBatch.h"

using namespace vorn;

TEST(SelfDeleteBatch, ShortFormDeletesOnlyTheExecutable) {
    const auto text = SelfDeleteBatchText("C:\\ProgramData\\Vorn\\GameLogin\\Zelqa7.exe",
                                          "C:\\Temp\\DelB1C.tmp.bat", false);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text,
              "cd\\\r\n"
              ":delexe\r\n"
              "ping -n 1 127.0.0.1\r\n"
              "del \"C:\\ProgramData\\Vorn\\GameLogin\\Zelqa7.exe\"\r\n"
              "if exist \"C:\\ProgramData\\Vorn\\GameLogin\\Zelqa7.exe\" goto :delexe\r\n"
              "del \"C:\\Temp\\DelB1C.tmp.bat\"\r\n");
}

TEST(SelfDeleteBatch, LongFormAlsoRemovesTheFolder) {
    const auto text = SelfDeleteBatchText("D:\\Games\\Zelqa7.exe", "C:\\Temp\\x.bat", true);
    ASSERT_TRUE(text);
    EXPECT_EQ(*text,
              "cd\\\r\n"
              ":delexe\r\n"
              "ping -n 1 127.0.0.1\r\n"
              "del \"D:\\Games\\Zelqa7.exe\"\r\n"
              "if exist \"D:\\Games\\Zelqa7.exe\" goto :delexe\r\n"
              "del \"D:\\Games\" /Q /F /A\r\n"
              "rd \"D:\\Games\"\r\n"
              "del \"C:\\Temp\\x.bat\"\r\n");
    EXPECT_EQ(BatchFolderOf("Zelqa7.exe"), "Zelqa7.exe");
}

TEST(SelfDeleteBatch, TextThatWouldBeCutIsRefused) {
    const std::string longPath = "C:\\" + std::string(700, 'a') + "\\Zelqa7.exe";
    EXPECT_FALSE(SelfDeleteBatchText(longPath, "C:\\t.bat", true));
    EXPECT_TRUE(SelfDeleteBatchText(std::string(259, 'b'), std::string(259, 'c'), true));
}

TEST(SelfDeleteBatch, PathsStayLiteral) {
    // "%" would be expanded even inside quotes; a quote or line break would add a command.
    const auto text = SelfDeleteBatchText("C:\\100%TEMP%\\Zelqa7.exe", "C:\\T\\x.bat", true);
    ASSERT_TRUE(text);
    EXPECT_NE(text->find("del \"C:\\100%%TEMP%%\\Zelqa7.exe\"\r\n"), std::string::npos);
    EXPECT_NE(text->find("rd \"C:\\100%%TEMP%%\"\r\n"), std::string::npos);
    EXPECT_FALSE(SelfDeleteBatchText("C:\\a\" & del /q C:\\x.exe", "C:\\t.bat", false));
    EXPECT_FALSE(SelfDeleteBatchText("C:\\a\\x.exe", "C:\\t.bat\r\nrd /s /q C:\\", false));
}
