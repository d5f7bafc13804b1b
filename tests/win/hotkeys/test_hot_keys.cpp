// Hot keys in the Statistic.ini beside the running executable (this test program).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <string>

#include "../TempFolder.h"
#include "common/Locations.h"
#include "common/Settings.h"
#include "hotkeys/HotKeys.h"

using namespace vorn;

namespace {

// Moves an existing INI file out of the way for the test and puts it back afterwards.
class LocalIni : public testing::Test {
protected:
    void SetUp() override {
        path_ = LocalIniPath();
        saved_ = path_ + L".saved";
        had_ = MoveFileExW(path_.c_str(), saved_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    }
    void TearDown() override {
        DeleteFileW(path_.c_str());
        if (had_) MoveFileExW(saved_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    std::wstring Stored(const wchar_t* key) const {
        wchar_t text[64] = {};
        GetPrivateProfileStringW(settings::kIniSection, key, L"<none>", text, 64, path_.c_str());
        return text;
    }
    std::wstring path_, saved_;
    bool had_ = false;
};

struct Read {
    int code = -1, modifiers = -1;
};
Read ReadKey(const wchar_t* key, const wchar_t* fallback) {
    Read r;
    ReadHotKey(key, fallback, &r.code, &r.modifiers);
    return r;
}

}  // namespace

TEST_F(LocalIni, WithoutAFileTheDefaultsApply) {
    ASSERT_EQ(GetFileAttributesW(path_.c_str()), INVALID_FILE_ATTRIBUTES);
    const Read boss = ReadKey(settings::kKeyBossKey, settings::kKeyBossKeyDefault);
    const Read swap = ReadKey(settings::kKeySwitchKey, settings::kKeySwitchKeyDefault);
    const Read sound = ReadKey(settings::kKeySoundKey, settings::kKeySoundKeyDefault);
    EXPECT_EQ(FormatHotKey(boss.code, boss.modifiers), L"F10");
    EXPECT_EQ(FormatHotKey(swap.code, swap.modifiers), L"Ctrl  +  Tab");
    EXPECT_EQ(FormatHotKey(sound.code, sound.modifiers), L"Ctrl  +  Q");
    // Null out-pointers are skipped, and a null default reads as no hot key.
    ReadHotKey(settings::kKeyBossKey, settings::kKeyBossKeyDefault, nullptr, nullptr);
    EXPECT_EQ(ReadKey(settings::kKeyBossKey, nullptr).code, 0);
}

TEST_F(LocalIni, WrittenKeysAreReadBackAndTheFileKeepsUnicode) {
    WriteHotKey(settings::kKeyBossKey, 65, 7);
    WriteHotKey(settings::kKeySoundKey, 0, 0);
    EXPECT_EQ(Stored(settings::kKeyBossKey), L"7,65");
    EXPECT_EQ(Stored(settings::kKeySoundKey), L"0,0");
    const Read boss = ReadKey(settings::kKeyBossKey, settings::kKeyBossKeyDefault);
    EXPECT_EQ(FormatHotKey(boss.code, boss.modifiers), L"Ctrl  +  Shift  +  Alt  +  A");
    const Read sound = ReadKey(settings::kKeySoundKey, settings::kKeySoundKeyDefault);
    EXPECT_EQ(FormatHotKey(sound.code, sound.modifiers), L"无");
    // The file was created as UTF-16, so a notice line in Chinese survives beside the keys.
    EXPECT_EQ(TempFolder::ReadFile(path_).substr(0, 2), std::string("\xFF\xFE", 2));
    ASSERT_TRUE(WritePrivateProfileStringW(settings::kIniSection, settings::kKeyNoticeLine, L"活动公告", path_.c_str()));
    EXPECT_EQ(Stored(settings::kKeyNoticeLine), L"活动公告");
}

TEST_F(LocalIni, OddStoredTextsGiveDefinedKeys) {
    WritePrivateProfileStringW(settings::kIniSection, settings::kKeyBossKey, L"2", path_.c_str());
    Read r = ReadKey(settings::kKeyBossKey, settings::kKeyBossKeyDefault);
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.modifiers, 2);
    // Longer than the 31 characters read: the key code is cut, not read past the buffer.
    WritePrivateProfileStringW(settings::kIniSection, settings::kKeyBossKey,
                               L"4,                            65", path_.c_str());
    r = ReadKey(settings::kKeyBossKey, settings::kKeyBossKeyDefault);
    EXPECT_EQ(r.modifiers, 4);
    EXPECT_EQ(r.code, 6);
}

TEST(KeyNameBuffer, FilledOrEmptiedWithinSixteenCharacters) {
    wchar_t buffer[kKeyNameChars];
    std::fill(buffer, buffer + kKeyNameChars, L'#');
    EXPECT_STREQ(GetKeyName(0x91, buffer), L"Scroll Lock");
    EXPECT_STREQ(GetKeyName(0x20, buffer), L"");
    EXPECT_STREQ(GetKeyName(0x7B, buffer), L"F12");
    EXPECT_EQ(GetKeyName(0x41, nullptr), nullptr);
}
