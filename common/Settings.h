#pragma once
// Every name and place the program keeps between runs, in one list. No value is cached:
// each reader asks the registry or the INI file at the moment it needs it.

namespace vorn::settings {

// Data folder: the common application data folder + these two levels.
inline constexpr wchar_t kDataFolderLevel1[] = L"\\Vorn";
inline constexpr wchar_t kDataFolderLevel2[] = L"\\GameLogin";
inline constexpr wchar_t kDataFolderSuffix[] = L"\\Vorn\\GameLogin";
// Other launchers' installers, from their download until they have been started.
inline constexpr wchar_t kDataFolderDownloads[] = L"\\Downloads";

inline constexpr wchar_t kIniFileName[] = L"Statistic.ini";
inline constexpr wchar_t kIniSection[] = L"Zelqa7";

// Counters, in the data folder's Statistic.ini (unsigned decimal text, default "0").
inline constexpr wchar_t kCounterPartner[] = L"Vorn";
inline constexpr wchar_t kCounterInstall[] = L"Inst";
inline constexpr wchar_t kCounterUninstall[] = L"UnInst";
inline constexpr wchar_t kCounterGame[] = L"Game";
inline constexpr wchar_t kCounterDefault[] = L"0";
inline constexpr unsigned kCounterTextChars = 32;

// Hot keys and notice state, in the Statistic.ini beside the running executable.
inline constexpr wchar_t kKeyBossKey[] = L"ShortKey";
inline constexpr wchar_t kKeyBossKeyDefault[] = L"0,121";
inline constexpr wchar_t kKeySwitchKey[] = L"AltWndKey";
inline constexpr wchar_t kKeySwitchKeyDefault[] = L"2,9";
inline constexpr wchar_t kKeySoundKey[] = L"SndKey";
inline constexpr wchar_t kKeySoundKeyDefault[] = L"2,81";
inline constexpr wchar_t kKeyNoticeLine[] = L"PopInfo";  // up to 1024 characters
inline constexpr wchar_t kKeyNoticeEnabled[] = L"PopEnable";  // "1" or "0", default ""
inline constexpr unsigned kNoticeLineChars = 1024;

// The program's registry key under HKEY_LOCAL_MACHINE.
inline constexpr wchar_t kRegKey[] = L"Software\\Vorn\\GameLogin\\Zelqa7";
inline constexpr wchar_t kRegUpdateTime[] = L"UpdTime";       // REG_BINARY, SYSTEMTIME in UTC
inline constexpr wchar_t kRegUpdateRefused[] = L"UpdRefused";  // the same, of the last refused update
inline constexpr wchar_t kRegDisableDays[] = L"DisableDays";  // REG_BINARY, 3 weekdays + 0
inline constexpr unsigned kUpdateTimeBytes = 16;
inline constexpr unsigned kDisableDaysBytes = 4;

// System values the program touches.
inline constexpr wchar_t kCacheContentKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\5.0\\Cache\\Content";
inline constexpr wchar_t kCacheLimitValue[] = L"CacheLimit";  // HKCU, REG_DWORD
inline constexpr unsigned long kCacheLimit = 0x100000;
inline constexpr wchar_t kPoliciesSystemKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System\\";
inline constexpr wchar_t kEnableLuaValue[] = L"EnableLUA";  // HKLM, REG_DWORD, read only

// Files that live beside the executable for a short time.
inline constexpr wchar_t kFileUpdateConfig[] = L"ConfigZelqa7.htm";
inline constexpr wchar_t kFileNewExecutable[] = L"NewZelqa7.exe";
inline constexpr wchar_t kFileOldExecutable[] = L"OldZelqa7.exe";
inline constexpr wchar_t kFileNoticePicture[] = L"PopWnd.jpg";

}  // namespace vorn::settings
