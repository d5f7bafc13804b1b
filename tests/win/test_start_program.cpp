#include <gtest/gtest.h>

#include "ChildPrograms.h"
#include "TempFolder.h"
#include "app/WayfrontApp.h"

namespace {
std::wstring ReadRecord(const std::wstring& path) {
    const std::string bytes = TempFolder::ReadFile(path);
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data()), bytes.size() / sizeof(wchar_t));
}
}  // namespace

TEST(StartProgramCopy, StartsExactlyTheProgramWhosePathHasSpaces) {
    TempFolder root(L"start");
    const std::wstring folder = root / L"My Games";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring target = folder + L"\\Vorn Launcher.exe";
    // A decoy where an unquoted command line would look first.
    const std::wstring decoy = root / L"My.exe";
    ASSERT_TRUE(CopyFileW(BesideTests(L"vorn_marker_child.exe").c_str(), target.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(BesideTests(L"vorn_marker_child.exe").c_str(), decoy.c_str(), FALSE));

    ASSERT_TRUE(StartProgramCopy(target.c_str()));
    ASSERT_TRUE(WaitForFile(target + L".ran"));
    const std::wstring record = ReadRecord(target + L".ran");
    // No arguments: argc is 1, and the command line is the quoted path alone.
    EXPECT_EQ(record.substr(0, 2), L"1\n") << record;
    EXPECT_NE(record.find(L"\"" + target + L"\"\n"), std::wstring::npos) << record;
    Sleep(200);
    EXPECT_EQ(GetFileAttributesW((decoy + L".ran").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(StartProgramCopy, AMissingProgramFailsQuietly) {
    TempFolder root(L"start");
    EXPECT_FALSE(StartProgramCopy((root / L"nothing here.exe").c_str()));
}
