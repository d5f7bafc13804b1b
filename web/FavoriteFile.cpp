#include "web/FavoriteFile.h"

#include "common/DeviceNames.h"

namespace vorn {

std::optional<std::u16string> FavoriteFileText(std::u16string_view url) {
    // A line break in the address would add lines of the page's choosing to the file.
    for (char16_t c : url) {
        if (c < 0x20 || c == 0x7F) return std::nullopt;
    }
    const std::u16string address(url);
    return u"[DEFAULT]\r\nBASEURL=" + address +
           u"\r\n[{000214A0-0000-0000-C000-000000000046}]\r\n=19,2\r\n[InternetShortcut]\r\nURL=" + address +
           u"\r\nIDList=\r\n";
}

std::u16string FavoriteFileName(std::u16string_view name) {
    std::u16string file(name.substr(0, kFavoriteNameChars));
    for (char16_t& c : file) {
        if (c < 0x20 || std::u16string_view(u"\\/:*?\"<>|").find(c) != std::u16string_view::npos) c = u'_';
    }
    if (IsReservedDeviceName(file)) file.insert(file.begin(), u'_');
    return file + u".url";
}

}  // namespace vorn
