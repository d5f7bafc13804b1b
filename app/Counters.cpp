#include "app/Counters.h"

#include <limits>

namespace vorn {

std::uint32_t NextCounterValue(std::u16string_view stored) {
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint32_t>::max();
    size_t i = 0;
    while (i < stored.size() && (stored[i] == u' ' || (stored[i] >= u'\t' && stored[i] <= u'\r'))) ++i;
    if (i < stored.size() && (stored[i] == u'+' || stored[i] == u'-')) {
        if (stored[i] == u'-') return 1;  // a negative count is no count at all
        ++i;
    }
    std::uint64_t value = 0;
    for (; i < stored.size() && stored[i] >= u'0' && stored[i] <= u'9'; ++i) {
        value = value * 10 + (stored[i] - u'0');
        if (value > kMax) value = kMax;
    }
    return static_cast<std::uint32_t>(value < kMax ? value + 1 : kMax);
}

}  // namespace vorn
