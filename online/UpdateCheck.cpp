#include "online/UpdateCheck.h"

#include <array>
#include <vector>

#include "common/BuildSettings.h"
#include "common/FileReplace.h"
#include "common/RunMode.h"
#include "common/Settings.h"
#include "common/ModulePath.h"
#include "online/HttpClient.h"
#include "online/UpdateRules.h"
#include "common/ServiceAddress.h"

namespace vorn {

namespace {

constexpr wchar_t kConfigPath[] = L"/update/ConfigZelqa7.htm";
constexpr wchar_t kConfigSection[] = L"VerKey";
constexpr wchar_t kConfigKeyName[] = L"Zelqa7";
constexpr wchar_t kConfigAddressName[] = L"UpdAddr";

// The registry key of the program, opened for reading (it must exist: reading never
// creates it) or opened and created when missing for writing.
class ProgramKey {
public:
    enum Access { kRead, kWrite };
    explicit ProgramKey(Access access) {
        const LSTATUS status =
            access == kRead
                ? RegOpenKeyExW(HKEY_LOCAL_MACHINE, settings::kRegKey, 0, KEY_READ, &key_)
                : RegCreateKeyExW(HKEY_LOCAL_MACHINE, settings::kRegKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key_,
                                  nullptr);
        if (status != ERROR_SUCCESS) key_ = nullptr;
    }
    ~ProgramKey() {
        if (key_ != nullptr) RegCloseKey(key_);
    }
    ProgramKey(const ProgramKey&) = delete;
    ProgramKey& operator=(const ProgramKey&) = delete;
    explicit operator bool() const { return key_ != nullptr; }
    void Read(const wchar_t* name, void* out, DWORD size) const {
        RegQueryValueExW(key_, name, nullptr, nullptr, static_cast<BYTE*>(out), &size);
    }
    void Write(const wchar_t* name, const void* data, DWORD size) const {
        RegSetValueExW(key_, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
    }

private:
    HKEY key_ = nullptr;
};

std::array<std::uint8_t, 4> ReadDisableDays() {
    std::array<std::uint8_t, 4> days{};
    ProgramKey key(ProgramKey::kRead);
    if (key) key.Read(settings::kRegDisableDays, days.data(), settings::kDisableDaysBytes);
    return days;
}

}  // namespace

std::wstring MakeVersionKey() {
    const std::wstring self = GetModulePath(nullptr);
    if (self.empty()) return {};
    return ToWide(vorn::MakeVersionKey(ToU16(FileMd5Hex(self.c_str())), ToU16(build::kVersion)));
}

BOOL FetchUpdateConfig(char* key, wchar_t* updAddr, bool* busy) {
    if (key != nullptr) key[0] = '\0';
    if (busy != nullptr) *busy = false;
    const std::wstring configFile = GetModulePath(settings::kFileUpdateConfig);
    if (configFile.empty()) return FALSE;
    // The file beside the program is shared with any updater running now: wait for none.
    MachineLock updating(kUpdateLockName, 0);
    if (!updating.held()) {
        if (busy != nullptr) *busy = true;
        return FALSE;
    }
    const std::wstring url = std::wstring(L"http://") + ServiceHost() + kConfigPath;
    if (!DownloadToFile(url.c_str(), configFile.c_str(), false, kConfigReplyBytes)) return FALSE;

    wchar_t wideKey[64] = {};
    GetPrivateProfileStringW(kConfigSection, kConfigKeyName, L"", wideKey, 64, configFile.c_str());
    if (updAddr != nullptr) {
        GetPrivateProfileStringW(kConfigSection, kConfigAddressName, L"", updAddr, 512, configFile.c_str());
    }
    DeleteFileW(configFile.c_str());
    if (key != nullptr) {
        const int n = WideCharToMultiByte(CP_ACP, 0, wideKey, -1, key, 64, nullptr, nullptr);
        if (n <= 0) key[0] = '\0';
        key[63] = '\0';
    }
    return TRUE;
}

int CheckForUpdate(bool forced, int mode, wchar_t* updAddr, wchar_t* updKey, UpdateCheckOutcome* outcome) {
    UpdateCheckOutcome ignored;
    UpdateCheckOutcome& found = outcome != nullptr ? *outcome : ignored;
    found = UpdateCheckOutcome::kNotDue;
    if (!forced) {
        if (mode == MODE_INSTALL || mode == MODE_PARTNER || mode == MODE_UNINSTALL || mode == MODE_NEWGM) return 0;
        if (!IsUpdateDue()) return 0;
    }
    found = UpdateCheckOutcome::kFailed;
    char configuredKey[64] = {};
    bool busy = false;
    if (!FetchUpdateConfig(configuredKey, updAddr, &busy)) {
        if (busy) found = UpdateCheckOutcome::kBusy;
        return 0;
    }
    if (configuredKey[0] == '\0') {
        found = UpdateCheckOutcome::kNoRelease;
        return 0;
    }
    wchar_t wideKey[64] = {};
    MultiByteToWideChar(CP_ACP, 0, configuredKey, -1, wideKey, 64);
    wideKey[63] = L'\0';
    if (updKey != nullptr) lstrcpynW(updKey, wideKey, 64);
    // Without a readable executable there is nothing to compare: no update.
    const std::wstring localKey = MakeVersionKey();
    if (localKey.empty()) return 0;
    const bool same = SameVersionKey(ToU16(localKey), ToU16(wideKey));
    found = same ? UpdateCheckOutcome::kSameRelease : UpdateCheckOutcome::kNewer;
    return same ? 0 : 1;
}

namespace {

CalendarDay StoredDay(const ProgramKey& key, const wchar_t* name) {
    SYSTEMTIME stored{};
    key.Read(name, &stored, settings::kUpdateTimeBytes);
    return {stored.wYear, stored.wMonth, stored.wDay};
}

void WriteNow(const wchar_t* name) {
    ProgramKey key(ProgramKey::kWrite);
    if (!key) return;
    SYSTEMTIME now;
    GetSystemTime(&now);
    key.Write(name, &now, settings::kUpdateTimeBytes);
}

}  // namespace

BOOL IsUpdateDue() {
    ProgramKey key(ProgramKey::kRead);
    if (!key) return FALSE;
    const CalendarDay updated = StoredDay(key, settings::kRegUpdateTime);
    const CalendarDay refused = StoredDay(key, settings::kRegUpdateRefused);
    SYSTEMTIME now;
    GetSystemTime(&now);
    return IsScheduledCheckDue(updated, refused, {now.wYear, now.wMonth, now.wDay}, now.wDayOfWeek, ReadDisableDays())
               ? TRUE
               : FALSE;
}

BOOL IsDisabledDay(unsigned weekday) { return IsDisabledWeekday(ReadDisableDays(), weekday) ? TRUE : FALSE; }

void WriteDisableDays() {
    ProgramKey key(ProgramKey::kWrite);
    if (!key) return;
    SYSTEMTIME now;
    GetSystemTime(&now);
    // One generator for the process, never seeded, as the runtime's own.
    static RuntimeRandom random;
    const int r1 = random.Next();
    const int r2 = random.Next();
    const auto days = DrawDisableDays(now.wMilliseconds, r1, r2);
    key.Write(settings::kRegDisableDays, days.data(), settings::kDisableDaysBytes);
}

void WriteUpdateTime() { WriteNow(settings::kRegUpdateTime); }

void WriteUpdateRefusal() { WriteNow(settings::kRegUpdateRefused); }

}  // namespace vorn
