#include "common/TextNumbers.h"

#include <climits>

namespace vorn {

namespace {
bool IsBlank(char16_t c) {
    // The runtime's iswspace in the C locale: space, tab, line feed, vertical tab,
    // form feed, carriage return.
    return c == u' ' || (c >= u'\t' && c <= u'\r');
}
}  // namespace

int ParseDecimalPrefix(std::u16string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    long long value = 0;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i) {
        value = value * 10 + (text[i] - u'0');
        if (value > limit) value = limit;  // saturate, keep scanning
    }
    return static_cast<int>(negative ? -value : value);
}

std::u16string FormatUnsigned(std::uint32_t value) {
    char16_t digits[16];
    int n = 0;
    do {
        digits[n++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    std::u16string out;
    while (n > 0) out.push_back(digits[--n]);
    return out;
}

std::u16string ToU16(std::string_view ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

}  // namespace vorn
