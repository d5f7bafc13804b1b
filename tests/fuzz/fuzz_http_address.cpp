// An address cut into host, port and object puts together again to the same parts, within
// their buffers; a host judged a service host is a plain name that is a service domain or
// a name under one; the domain list holds no empty entry and none with blanks around it.
#include "FuzzSupport.h"
#include "common/TextNumbers.h"
#include "online/HttpRules.h"

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const bool checkScheme = input.Byte() & 1;
    const std::u16string domainList = input.Text(80);
    const std::u16string address = input.Text();

    const std::vector<std::u16string> listed = ParseServiceDomains(domainList);
    for (const auto& domain : listed) {
        FUZZ_CHECK(!domain.empty() && domain.front() != u' ' && domain.back() != u' ' &&
                   domain.find(u';') == std::u16string::npos);
    }

    const auto parts = SplitHostAndPath(address, checkScheme);
    if (!parts) return 0;
    if (checkScheme) FUZZ_CHECK(fuzz::StartsWithNoCase(address, u"http://"));
    FUZZ_CHECK(!parts->host.empty() && parts->host.size() <= kMaxHostChars && parts->object.size() <= kMaxObjectChars);
    FUZZ_CHECK(parts->host.find_first_of(u"/:") == std::u16string::npos && parts->port != 0);
    const std::u16string again = u"http://" + parts->host + u":" + FormatUnsigned(parts->port) + u"/" + parts->object;
    const auto reparsed = SplitHostAndPath(again, true);
    FUZZ_CHECK(reparsed && reparsed->host == parts->host && reparsed->port == parts->port &&
               reparsed->object == parts->object);

    const std::vector<std::u16string> domains = {u"vorn.example", u"vorngame.example"};
    if (IsServiceHost(*parts, domains)) {
        const std::u16string host = fuzz::AsciiUpper(parts->host);
        FUZZ_CHECK(host.find_first_not_of(u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-") == std::u16string::npos);
        bool under = false;
        for (std::u16string_view domain : {u"VORN.EXAMPLE", u"VORNGAME.EXAMPLE"}) {
            under = under || host == domain || host.ends_with(u"." + std::u16string(domain));
        }
        FUZZ_CHECK(under);
    }
    return 0;
}
