#include "maintenance/DateText.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <string_view>

#include "common/TextNumbers.h"

namespace vorn {

namespace {

constexpr size_t kDateTextMax = 15;   // longest text looked at
constexpr size_t kNumberTextMax = 7;  // longest number part converted

// The first 15 characters of the text, cut at its first space.
std::u16string_view DatePart(const char16_t* text) {
    std::u16string_view view(text);
    view = view.substr(0, kDateTextMax);
    const size_t space = view.find(u' ');
    return space == std::u16string_view::npos ? view : view.substr(0, space);
}

int NumberAt(std::u16string_view text, size_t from, size_t to) {
    if (to == std::u16string_view::npos) to = text.size();
    return ParseDecimalPrefix(text.substr(from, std::min(to - from, kNumberTextMax)));
}

// Outcome of comparing the presence of a separator in both texts, or nothing when
// both have it and the comparison goes on.
bool MissingDashDecides(size_t dashA, size_t dashB, int& result) {
    constexpr size_t npos = std::u16string_view::npos;
    if (dashB == npos) {
        result = dashA != npos ? -1 : 0;
        return true;
    }
    if (dashA == npos) {
        result = 1;
        return true;
    }
    return false;
}

}  // namespace

int CompareDateText(const char16_t* a, const char16_t* b) {
    if (b == nullptr) return a == nullptr ? 0 : -1;
    if (a == b) return 0;
    if (a == nullptr) return 1;

    const std::u16string_view textA = DatePart(a);
    const std::u16string_view textB = DatePart(b);

    const size_t dash1A = textA.find(u'-');
    const size_t dash1B = textB.find(u'-');
    int result = 0;
    if (MissingDashDecides(dash1A, dash1B, result)) return result;

    const int yearA = NumberAt(textA, 0, dash1A);
    const int yearB = NumberAt(textB, 0, dash1B);
    // The difference is taken in 64 bits and clamped: numbers saturated by the reader
    // would otherwise overflow the subtraction and flip its sign.
    auto difference = [](int later, int earlier) {
        const long long d = static_cast<long long>(later) - earlier;
        return static_cast<int>(std::clamp<long long>(d, INT_MIN, INT_MAX));
    };
    if (yearA != yearB) return difference(yearB, yearA);

    const size_t dash2A = textA.find(u'-', dash1A + 1);
    const size_t dash2B = textB.find(u'-', dash1B + 1);
    if (MissingDashDecides(dash2A, dash2B, result)) return result;

    const int monthA = NumberAt(textA, dash1A + 1, dash2A);
    const int monthB = NumberAt(textB, dash1B + 1, dash2B);
    if (monthA != monthB) return difference(monthB, monthA);

    const int dayA = ParseDecimalPrefix(textA.substr(dash2A + 1));
    const int dayB = ParseDecimalPrefix(textB.substr(dash2B + 1));
    return difference(dayB, dayA);
}

std::u16string FormatDate(int year, int month, int day) {
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return ToU16(text);
}

}  // namespace vorn

