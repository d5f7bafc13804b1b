#include "common/DeviceNames.h"

#include <array>
#include <string>

namespace vorn {

bool IsReservedDeviceName(std::u16string_view name) {
    std::u16string_view stem = name.substr(0, name.find(u'.'));
    while (!stem.empty() && stem.back() == u' ') stem.remove_suffix(1);
    std::u16string upper(stem);
    for (char16_t& c : upper) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 0x20);
    }
    static constexpr std::array<std::u16string_view, 6> kFixed = {u"CON", u"PRN", u"AUX", u"NUL", u"CONIN$",
                                                                   u"CONOUT$"};
    for (std::u16string_view reserved : kFixed) {
        if (upper == reserved) return true;
    }
    if (upper.size() != 4 || !(upper.starts_with(u"COM") || upper.starts_with(u"LPT"))) return false;
    const char16_t digit = upper[3];
    return (digit >= u'1' && digit <= u'9') || digit == u'\u00B9' || digit == u'\u00B2' || digit == u'\u00B3';
}

}  // namespace vorn
