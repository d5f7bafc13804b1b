#include <gtest/gtest.h>

#include "ChildPrograms.h"
#include "TempFolder.h"

namespace {

std::wstring CopyCrashChild(const TempFolder& folder, const std::wstring& name) {
    const std::wstring path = folder / name;
    CopyFileW(BesideTests(L"vorn_crash_child.exe").c_str(), path.c_str(), FALSE);
    return path;
}

}  // namespace

TEST(CrashDump, AnUnhandledExceptionLeavesADumpBesideTheExecutable) {
    TempFolder folder(L"crash");
    const std::wstring exe = CopyCrashChild(folder, L"Crashy.exe");
    const long code = RunAndWait(exe, L"Crashy.exe crash");
    EXPECT_EQ(static_cast<DWORD>(code), static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    const std::string dump = TempFolder::ReadFile(folder / L"Crashy.dmp");
    ASSERT_GT(dump.size(), 1000u);
    EXPECT_EQ(dump.substr(0, 4), "MDMP");
}

TEST(CrashDump, OnlyTheFirstExceptionIsDumpedAndLaterOnesEndQuietly) {
    TempFolder folder(L"crash");
    const std::wstring exe = CopyCrashChild(folder, L"Twice.exe");
    // The child answers first * 10 + second: continue-search (0), then execute-handler (1).
    EXPECT_EQ(RunAndWait(exe, L"Twice.exe direct"), 1);
}

TEST(CrashDump, NoDotInThePathMeansNoDump) {
    TempFolder folder(L"crash");
    const std::wstring exe = CopyCrashChild(folder, L"Crashy.exe");
    // A folder and file name without any dot: the same program under such a path.
    const std::wstring plainFolder = folder.path().substr(0, folder.path().rfind(L'\\')) + L"\\vornnodot" +
                                     std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(plainFolder.c_str(), nullptr);
    const std::wstring plain = plainFolder + L"\\Crashy";
    ASSERT_TRUE(CopyFileW(exe.c_str(), plain.c_str(), FALSE));
    if (plainFolder.find(L'.') != std::wstring::npos) GTEST_SKIP() << "temporary folder has a dot";
    const long code = RunAndWait(plain, L"Crashy crash");
    EXPECT_EQ(static_cast<DWORD>(code), static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((plainFolder + L"\\*.dmp").c_str(), &entry);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "a dump was written";
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
    DeleteFileW(plain.c_str());
    RemoveDirectoryW(plainFolder.c_str());
}
