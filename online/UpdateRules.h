#pragma once
// Decisions of the update check: the version key, the weekly schedule and its disabled
// weekdays.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

// The key that names a release: the file's MD5 text (32 lower-case hexadecimal
// characters) cut by the number of version digits, then the version's digits
// ("3.0.0.1" gives "3001"). Empty when there is no digest.
std::u16string MakeVersionKey(std::u16string_view md5Hex, std::u16string_view version);

// Keys compare without regard to letter case; an empty key on either side never matches.
bool SameVersionKey(std::u16string_view a, std::u16string_view b);

// TRUE when a configured key can name a release at all: 32 hexadecimal characters whose
// last is a decimal digit (the version digits end it).
bool IsReleaseKey(std::u16string_view key);

// TRUE when a file whose MD5 text is md5Hex is the release that `key` names. The release's
// version is not known here, so the key's digest part is checked: for some n from 1 to 8,
// its last n characters are decimal digits and the rest equals the start of md5Hex
// (letter case ignored).
bool IsFileOfRelease(std::u16string_view key, std::u16string_view md5Hex);

// The C runtime's pseudo-random generator, seeded with 1 as in a fresh process.
class RuntimeRandom {
public:
    int Next() {
        seed_ = seed_ * 214013u + 2531011u;
        return static_cast<int>((seed_ >> 16) & 0x7FFF);
    }

private:
    std::uint32_t seed_ = 1;
};

// The stored disabled weekdays for an installation: bytes B, A, C, 0 drawn from the
// millisecond of the install time and two pseudo-random numbers.
std::array<std::uint8_t, 4> DrawDisableDays(unsigned milliseconds, int random1, int random2);

// TRUE when the weekday (0 = Sunday) is one of the stored disabled days; a stored value
// of zero disables nothing.
bool IsDisabledWeekday(const std::array<std::uint8_t, 4>& days, unsigned weekday);

struct CalendarDay {
    unsigned year = 0, month = 0, day = 0;
};

// The scheduled check runs unless an update was installed or refused on this (UTC) day, or
// today is a disabled weekday. A refused download (its digest, host or signature, or a
// swap that failed) would otherwise be fetched in full at every start of the launcher.
bool IsScheduledCheckDue(const CalendarDay& lastUpdate, const CalendarDay& lastRefusal, const CalendarDay& today,
                         unsigned weekday, const std::array<std::uint8_t, 4>& disabledDays);

// What a check found.
enum class UpdateCheckOutcome {
    kNewer,        // the configuration names another release
    kSameRelease,  // it names this one
    kNoRelease,    // it names none (no key): the service has nothing newer
    kBusy,         // another update is running now
    kNotDue,       // the scheduled check does not run today
    kFailed,       // no configuration, or this program's own file could not be read
};

// What the "更新" menu says when it does not update.
std::u16string_view UpdateMenuAnswerText(UpdateCheckOutcome outcome);

}  // namespace vorn
