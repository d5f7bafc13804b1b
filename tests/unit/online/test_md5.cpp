#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "online/Md5.h"

using namespace vorn;

namespace {

std::u16string Md5Of(const std::string& text) {
    Md5 md5;
    md5.Update(text.data(), text.size());
    return Md5::Hex(md5.Finish());
}

}  // namespace

TEST(Md5, KnownDigests) {
    EXPECT_EQ(Md5Of(""), u"d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Of("abc"), u"900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Of("message digest"), u"f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Md5Of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              u"d174ab98d277d9f5a5611c2c9f419d9f");
    std::string eighty;
    for (int i = 0; i < 8; ++i) eighty += "1234567890";
    EXPECT_EQ(Md5Of(eighty), u"57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PiecesOfAnySizeGiveTheSameDigest) {
    // Lengths around the padding boundaries (55, 56, 63, 64 bytes past a block), fed
    // whole and in uneven pieces.
    for (size_t length : {55u, 56u, 63u, 64u, 119u, 120u, 1000u}) {
        std::string data(length, '\0');
        for (size_t i = 0; i < length; ++i) data[i] = static_cast<char>(i * 7 + 3);
        Md5 pieces;
        for (size_t at = 0, step = 1; at < length; at += step, step = step * 3 % 70 + 1) {
            pieces.Update(data.data() + at, std::min(step, length - at));
        }
        EXPECT_EQ(Md5::Hex(pieces.Finish()), Md5Of(data)) << length;
    }
    EXPECT_EQ(Md5Of(std::string(56, 'a')), u"3b0c8ac703f828b04c6c197006d17218");
    EXPECT_EQ(Md5Of(std::string(64, 'a')), u"014842d480b571495a4a0363793f7367");
}
