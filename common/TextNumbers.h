#pragma once
// Number reading and writing shared by the command line, the INI counters and the date texts.
#include <cstdint>
#include <string>
#include <string_view>

namespace vorn {

// Reads a signed decimal number the way the C runtime's _wtoi does: leading blanks
// skipped, an optional sign, digits up to the first other character, 0 when there are
// none. Values outside the int range stay at INT_MAX or INT_MIN instead of wrapping.
int ParseDecimalPrefix(std::u16string_view text);

std::u16string FormatUnsigned(std::uint32_t value);

std::u16string ToU16(std::string_view ascii);

}  // namespace vorn
