// The MD5 of a file does not depend on how it is fed and equals OpenSSL's; the key made
// from it and any version of one to eight digits names a release that this file is.
#include <openssl/evp.h>

#include "FuzzSupport.h"
#include "online/Md5.h"
#include "online/UpdateRules.h"

using namespace vorn;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    std::uint32_t cuts = input.U32();
    std::u16string version;
    for (std::uint8_t n = input.Byte() % 9, i = 0; i < n; ++i) {
        if (i > 0 && (cuts >> i & 1)) version += u'.';
        version += static_cast<char16_t>(u'0' + input.Byte() % 10);
    }
    const std::vector<std::uint8_t> file = input.Bytes();

    Md5 whole, pieces;
    whole.Update(file.data(), file.size());
    for (std::size_t at = 0; at < file.size();) {
        cuts = cuts * 1103515245u + 12345u;
        const std::size_t piece = std::min<std::size_t>(file.size() - at, (cuts >> 16) % 130);
        pieces.Update(file.data() + at, piece);
        at += piece;
    }
    unsigned char reference[EVP_MAX_MD_SIZE];
    unsigned int referenceSize = 0;
    FUZZ_CHECK(EVP_Digest(file.data(), file.size(), reference, &referenceSize, EVP_md5(), nullptr) == 1);
    const auto digest = whole.Finish();
    FUZZ_CHECK(referenceSize == 16 && std::memcmp(digest.data(), reference, 16) == 0);
    FUZZ_CHECK(pieces.Finish() == digest);

    const std::u16string hex = Md5::Hex(digest);
    FUZZ_CHECK(hex.size() == 32 && hex.find_first_not_of(u"0123456789abcdef") == std::u16string::npos);
    if (version.empty()) return 0;
    const std::u16string key = MakeVersionKey(hex, version);
    FUZZ_CHECK(IsReleaseKey(key) && IsFileOfRelease(key, hex) && IsFileOfRelease(fuzz::AsciiUpper(key), hex));
    FUZZ_CHECK(SameVersionKey(key, fuzz::AsciiUpper(key)));
    return 0;
}
