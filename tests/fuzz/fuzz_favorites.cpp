// A favourite's file name names one file in the Favorites folder and no device; its file
// text, when written at all, is exactly its seven lines with the address whole in two.
#include "FuzzSupport.h"
#include "common/DeviceNames.h"
#include "web/FavoriteFile.h"

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::u16string name = input.Text(200);
    const std::u16string url = input.Text();

    const std::u16string file = FavoriteFileName(name);
    FUZZ_CHECK(file.ends_with(u".url") && file.size() <= kFavoriteNameChars + 1 + 4);
    for (char16_t c : file) FUZZ_CHECK(c >= 0x20 && std::u16string_view(u"\\/:*?\"<>|").find(c) == std::u16string_view::npos);
    FUZZ_CHECK(!IsReservedDeviceName(file));

    const auto text = FavoriteFileText(url);
    FUZZ_CHECK(text.has_value() == (url.find_first_of(u"\r\n") == std::u16string::npos &&
                                    std::none_of(url.begin(), url.end(), [](char16_t c) { return c < 0x20 || c == 0x7F; })));
    if (!text) return 0;
    std::vector<std::u16string_view> lines;
    std::u16string_view rest = *text;
    for (std::size_t end; (end = rest.find(u"\r\n")) != std::u16string_view::npos; rest.remove_prefix(end + 2)) {
        lines.push_back(rest.substr(0, end));
    }
    FUZZ_CHECK(rest.empty() && lines.size() == 7);
    for (std::u16string_view line : lines) FUZZ_CHECK(line.find_first_of(u"\r\n") == std::u16string_view::npos);
    FUZZ_CHECK(lines[1] == u"BASEURL=" + url && lines[5] == u"URL=" + url);
    return 0;
}
