#include <gtest/gtest.h>

#include "TempFolder.h"
#include "common/ModulePath.h"
#include "maintenance/FileHelpers.h"

using namespace vorn;

namespace {
std::wstring ExePath() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return self;
}
}  // namespace

TEST(GetModulePath, NamesFilesBesideTheExecutable) {
    const std::wstring self = ExePath();
    const std::wstring folder = self.substr(0, self.rfind(L'\\') + 1);
    wchar_t out[MAX_PATH];
    ASSERT_EQ(GetModulePath(L"Statistic.ini", out), 1);
    EXPECT_EQ(std::wstring(out), folder + L"Statistic.ini");
    ASSERT_EQ(GetModulePath(nullptr, out), 1);
    EXPECT_EQ(std::wstring(out), self);
    EXPECT_EQ(GetModulePath(L"NewZelqa7.exe"), folder + L"NewZelqa7.exe");
    // A name that would make the path too long fails cleanly instead of naming a cut file.
    const std::wstring longName(MAX_PATH, L'x');
    EXPECT_EQ(GetModulePath(longName.c_str(), out), 0);
    EXPECT_EQ(out[0], L'\0');
    EXPECT_EQ(GetModulePath(L"x", nullptr), 0);
}

TEST(CountFilesInTree, CountsFilesInRealTrees) {
    TempFolder root(L"count");
    EXPECT_EQ(CountFilesInTree(root.path().c_str()), 0);                    // empty folder
    EXPECT_EQ(CountFilesInTree((root / L"missing").c_str()), 1);            // cannot be listed
    EXPECT_EQ(CountFilesInTree(nullptr), 1);

    CreateDirectoryW((root / L"empty").c_str(), nullptr);
    TempFolder::WriteFile(root / L"Zelqa7.exe", "MZ");
    EXPECT_EQ(CountFilesInTree(root.path().c_str()), 1);  // one file and an empty subfolder
    EXPECT_EQ(CountFilesInTree((root.path() + L"\\").c_str()), 1);  // trailing backslash

    CreateDirectoryW((root / L"a").c_str(), nullptr);
    CreateDirectoryW((root / L"a\\b").c_str(), nullptr);
    TempFolder::WriteFile(root / L"a\\one.txt", "1");
    TempFolder::WriteFile(root / L"a\\b\\two.txt", "2");
    TempFolder::WriteFile(root / L"a\\b\\三.txt", "3");
    EXPECT_EQ(CountFilesInTree(root.path().c_str()), 4);
    EXPECT_EQ(CountFilesInTree((root / L"a").c_str()), 3);
}

TEST(FormatToday, WritesTheLocalDate) {
    wchar_t out[64];
    SYSTEMTIME before, after;
    GetLocalTime(&before);
    ASSERT_EQ(FormatToday(out), out);
    GetLocalTime(&after);
    wchar_t expected[64];
    const SYSTEMTIME& t = after;
    swprintf(expected, 64, L"%04d-%02d-%02d", t.wYear, t.wMonth, t.wDay);
    if (before.wDay == after.wDay) {
        EXPECT_STREQ(out, expected);
    }
    EXPECT_EQ(wcslen(out), 10u);
    EXPECT_EQ(FormatToday(nullptr), nullptr);
}
