#include <gtest/gtest.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "TempFolder.h"
#include "common/Locations.h"
#include "common/Settings.h"
#include "common/ModulePath.h"

using namespace vorn;

TEST(Locations, StoredFilesLiveWhereTheyShould) {
    wchar_t common[MAX_PATH];
    ASSERT_TRUE(SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, 0, common)));
    EXPECT_EQ(DataFolderPath(), std::wstring(common) + L"\\Vorn\\GameLogin");
    EXPECT_EQ(CounterIniPath(), std::wstring(common) + L"\\Vorn\\GameLogin\\Statistic.ini");
    EXPECT_EQ(LocalIniPath(), GetModulePath(L"Statistic.ini"));
}

TEST(Locations, NewIniFilesKeepChineseText) {
    TempFolder folder(L"ini");
    const std::wstring ini = folder / L"Statistic.ini";
    EnsureUnicodeIniFile(ini);
    const std::string created = TempFolder::ReadFile(ini);
    ASSERT_EQ(created, std::string("\xFF\xFE", 2));

    const wchar_t* notice = L"2026-12-08|活动公告|欢迎回来 ★ Ω";
    ASSERT_TRUE(WritePrivateProfileStringW(settings::kIniSection, settings::kKeyNoticeLine, notice, ini.c_str()));
    wchar_t back[settings::kNoticeLineChars + 1];
    GetPrivateProfileStringW(settings::kIniSection, settings::kKeyNoticeLine, L"", back, settings::kNoticeLineChars + 1,
                             ini.c_str());
    EXPECT_STREQ(back, notice);

    // An existing file is used as it is, whatever its encoding.
    const std::wstring ansi = folder / L"old.ini";
    TempFolder::WriteFile(ansi, "[Zelqa7]\r\nGame=7\r\n");
    EnsureUnicodeIniFile(ansi);
    EXPECT_EQ(TempFolder::ReadFile(ansi), "[Zelqa7]\r\nGame=7\r\n");
    EXPECT_EQ(GetPrivateProfileIntW(settings::kIniSection, settings::kCounterGame, 0, ansi.c_str()), 7u);
}

TEST(Locations, TheProgramKeyCanBeWrittenAndRemoved) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, settings::kRegKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    const BYTE days[settings::kDisableDaysBytes] = {1, 6, 0, 0};
    EXPECT_EQ(RegSetValueExW(key, settings::kRegDisableDays, 0, REG_BINARY, days, sizeof days), ERROR_SUCCESS);
    RegCloseKey(key);

    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, settings::kRegKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    BYTE read[8] = {};
    DWORD size = sizeof read, type = 0;
    EXPECT_EQ(RegQueryValueExW(key, settings::kRegDisableDays, nullptr, &type, read, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(read[1], 6);
    RegCloseKey(key);

    EXPECT_EQ(SHDeleteKeyW(HKEY_LOCAL_MACHINE, settings::kRegKey), ERROR_SUCCESS);
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, settings::kRegKey, 0, KEY_READ, &key), ERROR_SUCCESS);
}
