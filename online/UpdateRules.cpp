#include "online/UpdateRules.h"

#include "common/RunMode.h"

namespace vorn {

std::u16string MakeVersionKey(std::u16string_view md5Hex, std::u16string_view version) {
    if (md5Hex.empty()) return {};
    std::u16string digits;
    for (char16_t c : version) {
        if (c != u'.') digits += c;
    }
    const size_t keep = md5Hex.size() > digits.size() ? md5Hex.size() - digits.size() : 0;
    return std::u16string(md5Hex.substr(0, keep)) + digits;
}

bool SameVersionKey(std::u16string_view a, std::u16string_view b) {
    return !a.empty() && !b.empty() && EqualsIgnoreAsciiCase(a, b);
}

namespace {

constexpr size_t kKeyChars = 32;
constexpr size_t kMaxVersionDigits = 8;

bool IsDecimalDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsHexDigit(char16_t c) {
    return IsDecimalDigit(c) || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

}  // namespace

bool IsReleaseKey(std::u16string_view key) {
    if (key.size() != kKeyChars || !IsDecimalDigit(key.back())) return false;
    for (char16_t c : key) {
        if (!IsHexDigit(c)) return false;
    }
    return true;
}

bool IsFileOfRelease(std::u16string_view key, std::u16string_view md5Hex) {
    if (!IsReleaseKey(key) || md5Hex.size() != kKeyChars) return false;
    for (size_t n = 1; n <= kMaxVersionDigits && IsDecimalDigit(key[kKeyChars - n]); ++n) {
        const size_t digest = kKeyChars - n;
        if (EqualsIgnoreAsciiCase(key.substr(0, digest), md5Hex.substr(0, digest))) return true;
    }
    return false;
}

std::array<std::uint8_t, 4> DrawDisableDays(unsigned milliseconds, int random1, int random2) {
    // Sums in unsigned 32-bit arithmetic: they wrap when the millisecond is the larger.
    const std::uint32_t a0 = (static_cast<std::uint32_t>(random1) + 7u - milliseconds) % 7u;
    std::uint32_t b = (static_cast<std::uint32_t>(random2) + 7u - milliseconds) % 7u;
    std::uint32_t c = milliseconds % 7u;
    if (c == a0) c = (c + 6u) % 7u;
    if (b == a0) b = (b + 1u) % 7u;
    return {static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(a0), static_cast<std::uint8_t>(c), 0};
}

bool IsDisabledWeekday(const std::array<std::uint8_t, 4>& days, unsigned weekday) {
    const bool any = days[0] != 0 || days[1] != 0 || days[2] != 0 || days[3] != 0;
    return any && (weekday == days[0] || weekday == days[1] || weekday == days[2]);
}

namespace {

bool SameDay(const CalendarDay& a, const CalendarDay& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day;
}

}  // namespace

bool IsScheduledCheckDue(const CalendarDay& lastUpdate, const CalendarDay& lastRefusal, const CalendarDay& today,
                         unsigned weekday, const std::array<std::uint8_t, 4>& disabledDays) {
    if (SameDay(lastUpdate, today) || SameDay(lastRefusal, today)) return false;
    return !IsDisabledWeekday(disabledDays, weekday);
}

std::u16string_view UpdateMenuAnswerText(UpdateCheckOutcome outcome) {
    switch (outcome) {
    case UpdateCheckOutcome::kSameRelease:
    case UpdateCheckOutcome::kNoRelease:
        return u"已经是最新版本，无需进行更新。";
    case UpdateCheckOutcome::kBusy:
        return u"另一个更新正在进行，请等它完成。";
    case UpdateCheckOutcome::kNewer:
    case UpdateCheckOutcome::kNotDue:
    case UpdateCheckOutcome::kFailed:
        break;
    }
    return u"检查更新失败，请稍后再试。";
}

}  // namespace vorn
