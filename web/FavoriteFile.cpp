#include "web/FavoriteFile.h"

#include <array>

namespace vorn {

std::u16string FavoriteFileText(std::u16string_view url) {
    const std::u16string address(url);
    return u"[DEFAULT]\r\nBASEURL=" + address +
           u"\r\n[{000214A0-0000-0000-C000-000000000046}]\r\n=19,2\r\n[InternetShortcut]\r\nURL=" + address +
           u"\r\nIDList=\r\n";
}

namespace {

bool IsReservedDeviceName(std::u16string_view name) {
    // The part before the first dot decides ("CON.txt" is the console too).
    const std::u16string_view stem = name.substr(0, name.find(u'.'));
    std::u16string upper;
    for (char16_t c : stem) upper.push_back((c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 0x20) : c);
    static const std::array<std::u16string_view, 4> kFixed = {u"CON", u"PRN", u"AUX", u"NUL"};
    for (std::u16string_view reserved : kFixed) {
        if (upper == reserved) return true;
    }
    return upper.size() == 4 && (upper.starts_with(u"COM") || upper.starts_with(u"LPT")) && upper[3] >= u'1' &&
           upper[3] <= u'9';
}

}  // namespace

std::u16string FavoriteFileName(std::u16string_view name) {
    std::u16string file(name.substr(0, kFavoriteNameChars));
    for (char16_t& c : file) {
        if (c < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) c = u'_';
    }
    if (IsReservedDeviceName(file)) file.insert(file.begin(), u'_');
    return file + u".url";
}

}  // namespace vorn
