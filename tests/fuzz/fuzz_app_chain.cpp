// The "app:" addresses of the pages. A login command's account part decodes to valid text
// cut to the 255-byte limit, split into a server without "S" and a title key made of
// its parts; a game address let through is a web address. An entergame name carried out
// names one plain file that is no device, and its download page is a web address.
#include "FuzzSupport.h"
#include "common/DeviceNames.h"
#include "web/AppCommand.h"

using namespace vorn;

namespace {

bool IsValidUtf16(std::u16string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] >= 0xDC00 && text[i] <= 0xDFFF) return false;
        if (text[i] >= 0xD800 && text[i] <= 0xDBFF && (++i == text.size() || text[i] < 0xDC00 || text[i] > 0xDFFF))
            return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const std::u16string url = input.Text();

    const LoginRequest login = ParseLoginCommand(url);
    FUZZ_CHECK((login.command == LoginCommand::NotACommand) == !url.starts_with(u"app:"));
    if (login.command != LoginCommand::LoadGame) FUZZ_CHECK(login.accountPart.empty() && login.gameUrl.empty());
    if (!login.gameUrl.empty()) FUZZ_CHECK(url.ends_with(u"|" + login.gameUrl));
    if (IsGameAddress(login.gameUrl)) {
        FUZZ_CHECK(fuzz::StartsWithNoCase(login.gameUrl, u"http://") || fuzz::StartsWithNoCase(login.gameUrl, u"https://"));
        for (char16_t c : login.gameUrl) FUZZ_CHECK(c >= 0x20 && c != 0x7F);
    }
    const std::u16string decoded = DecodeAccountPart(login.accountPart);
    if (login.accountPart.find(u'%') != std::u16string::npos) FUZZ_CHECK(IsValidUtf16(decoded) && decoded.size() <= kAccountPartBytes);
    else FUZZ_CHECK(decoded == login.accountPart);
    const AccountKey key = SplitAccountPart(decoded);
    FUZZ_CHECK(key.server.find(u'S') == std::u16string::npos);
    FUZZ_CHECK(key.Key() == key.server + u"服-" + key.middle + u"-" + key.account);
    FUZZ_CHECK(decoded.ends_with(key.account));

    const EnterGameRequest enter = ParseEnterGame(url, u"http://kovo.example/");
    FUZZ_CHECK(enter.isCommand == (url.find(u"app://entergame|") != std::u16string::npos));
    if (enter.isCommand) {
        FUZZ_CHECK(fuzz::StartsWithNoCase(enter.downloadPage, u"http://") ||
                   fuzz::StartsWithNoCase(enter.downloadPage, u"https://"));
    }
    if (enter.carryOut) {
        FUZZ_CHECK(!enter.name.empty() && !IsReservedDeviceName(enter.name));
        FUZZ_CHECK(enter.name.find_first_not_of(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789_-") ==
                   std::u16string::npos);
        FUZZ_CHECK(!(enter.name[0] >= u'a' && enter.name[0] <= u'z'));
    }
    return 0;
}
