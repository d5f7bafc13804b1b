#pragma once
// Date texts of the form year-month-day, as stored in notice lines and shown to players.
#include <string>

namespace vorn {

// Positive when b is later than a, 0 when the same day, negative when b is earlier.
// Either text may be null; text after a space is ignored; a text without a dash counts
// as earlier than any date. Each text is looked at up to its first 15 characters.
int CompareDateText(const char16_t* a, const char16_t* b);

// "2013-07-05": four-digit year, month and day padded to two digits.
std::u16string FormatDate(int year, int month, int day);

}  // namespace vorn
