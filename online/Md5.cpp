#include "online/Md5.h"

#include <cstring>

namespace vorn {

namespace {

inline std::uint32_t Rotl(std::uint32_t x, int s) { return (x << s) | (x >> (32 - s)); }

inline std::uint32_t LoadLe(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// The four rounds' steps. The word and the constant are added to `a` before the round
// function, whose inputs arrive last, so that the additions do not wait for them.
#define VORN_MD5_F(a, b, c, d, x, t, s)        \
    a += (x) + (t);                            \
    a += (d) ^ ((b) & ((c) ^ (d)));            \
    a = Rotl(a, s) + (b);
#define VORN_MD5_G(a, b, c, d, x, t, s)        \
    a += (x) + (t);                            \
    a += (c) & ~(d);                           \
    a += (b) & (d);                            \
    a = Rotl(a, s) + (b);
#define VORN_MD5_H(a, b, c, d, x, t, s)        \
    a += (x) + (t);                            \
    a += (b) ^ (c) ^ (d);                      \
    a = Rotl(a, s) + (b);
#define VORN_MD5_I(a, b, c, d, x, t, s)        \
    a += (x) + (t);                            \
    a += (c) ^ ((b) | ~(d));                   \
    a = Rotl(a, s) + (b);

}  // namespace

void Md5::Blocks(const std::uint8_t* data, size_t count) {
    std::uint32_t a = state_[0], b = state_[1], c = state_[2], d = state_[3];
    for (; count > 0; --count, data += 64) {
        std::uint32_t x[16];
        for (int i = 0; i < 16; ++i) x[i] = LoadLe(data + 4 * i);
        const std::uint32_t a0 = a, b0 = b, c0 = c, d0 = d;

        VORN_MD5_F(a, b, c, d, x[0], 0xd76aa478u, 7)
        VORN_MD5_F(d, a, b, c, x[1], 0xe8c7b756u, 12)
        VORN_MD5_F(c, d, a, b, x[2], 0x242070dbu, 17)
        VORN_MD5_F(b, c, d, a, x[3], 0xc1bdceeeu, 22)
        VORN_MD5_F(a, b, c, d, x[4], 0xf57c0fafu, 7)
        VORN_MD5_F(d, a, b, c, x[5], 0x4787c62au, 12)
        VORN_MD5_F(c, d, a, b, x[6], 0xa8304613u, 17)
        VORN_MD5_F(b, c, d, a, x[7], 0xfd469501u, 22)
        VORN_MD5_F(a, b, c, d, x[8], 0x698098d8u, 7)
        VORN_MD5_F(d, a, b, c, x[9], 0x8b44f7afu, 12)
        VORN_MD5_F(c, d, a, b, x[10], 0xffff5bb1u, 17)
        VORN_MD5_F(b, c, d, a, x[11], 0x895cd7beu, 22)
        VORN_MD5_F(a, b, c, d, x[12], 0x6b901122u, 7)
        VORN_MD5_F(d, a, b, c, x[13], 0xfd987193u, 12)
        VORN_MD5_F(c, d, a, b, x[14], 0xa679438eu, 17)
        VORN_MD5_F(b, c, d, a, x[15], 0x49b40821u, 22)

        VORN_MD5_G(a, b, c, d, x[1], 0xf61e2562u, 5)
        VORN_MD5_G(d, a, b, c, x[6], 0xc040b340u, 9)
        VORN_MD5_G(c, d, a, b, x[11], 0x265e5a51u, 14)
        VORN_MD5_G(b, c, d, a, x[0], 0xe9b6c7aau, 20)
        VORN_MD5_G(a, b, c, d, x[5], 0xd62f105du, 5)
        VORN_MD5_G(d, a, b, c, x[10], 0x02441453u, 9)
        VORN_MD5_G(c, d, a, b, x[15], 0xd8a1e681u, 14)
        VORN_MD5_G(b, c, d, a, x[4], 0xe7d3fbc8u, 20)
        VORN_MD5_G(a, b, c, d, x[9], 0x21e1cde6u, 5)
        VORN_MD5_G(d, a, b, c, x[14], 0xc33707d6u, 9)
        VORN_MD5_G(c, d, a, b, x[3], 0xf4d50d87u, 14)
        VORN_MD5_G(b, c, d, a, x[8], 0x455a14edu, 20)
        VORN_MD5_G(a, b, c, d, x[13], 0xa9e3e905u, 5)
        VORN_MD5_G(d, a, b, c, x[2], 0xfcefa3f8u, 9)
        VORN_MD5_G(c, d, a, b, x[7], 0x676f02d9u, 14)
        VORN_MD5_G(b, c, d, a, x[12], 0x8d2a4c8au, 20)

        VORN_MD5_H(a, b, c, d, x[5], 0xfffa3942u, 4)
        VORN_MD5_H(d, a, b, c, x[8], 0x8771f681u, 11)
        VORN_MD5_H(c, d, a, b, x[11], 0x6d9d6122u, 16)
        VORN_MD5_H(b, c, d, a, x[14], 0xfde5380cu, 23)
        VORN_MD5_H(a, b, c, d, x[1], 0xa4beea44u, 4)
        VORN_MD5_H(d, a, b, c, x[4], 0x4bdecfa9u, 11)
        VORN_MD5_H(c, d, a, b, x[7], 0xf6bb4b60u, 16)
        VORN_MD5_H(b, c, d, a, x[10], 0xbebfbc70u, 23)
        VORN_MD5_H(a, b, c, d, x[13], 0x289b7ec6u, 4)
        VORN_MD5_H(d, a, b, c, x[0], 0xeaa127fau, 11)
        VORN_MD5_H(c, d, a, b, x[3], 0xd4ef3085u, 16)
        VORN_MD5_H(b, c, d, a, x[6], 0x04881d05u, 23)
        VORN_MD5_H(a, b, c, d, x[9], 0xd9d4d039u, 4)
        VORN_MD5_H(d, a, b, c, x[12], 0xe6db99e5u, 11)
        VORN_MD5_H(c, d, a, b, x[15], 0x1fa27cf8u, 16)
        VORN_MD5_H(b, c, d, a, x[2], 0xc4ac5665u, 23)

        VORN_MD5_I(a, b, c, d, x[0], 0xf4292244u, 6)
        VORN_MD5_I(d, a, b, c, x[7], 0x432aff97u, 10)
        VORN_MD5_I(c, d, a, b, x[14], 0xab9423a7u, 15)
        VORN_MD5_I(b, c, d, a, x[5], 0xfc93a039u, 21)
        VORN_MD5_I(a, b, c, d, x[12], 0x655b59c3u, 6)
        VORN_MD5_I(d, a, b, c, x[3], 0x8f0ccc92u, 10)
        VORN_MD5_I(c, d, a, b, x[10], 0xffeff47du, 15)
        VORN_MD5_I(b, c, d, a, x[1], 0x85845dd1u, 21)
        VORN_MD5_I(a, b, c, d, x[8], 0x6fa87e4fu, 6)
        VORN_MD5_I(d, a, b, c, x[15], 0xfe2ce6e0u, 10)
        VORN_MD5_I(c, d, a, b, x[6], 0xa3014314u, 15)
        VORN_MD5_I(b, c, d, a, x[13], 0x4e0811a1u, 21)
        VORN_MD5_I(a, b, c, d, x[4], 0xf7537e82u, 6)
        VORN_MD5_I(d, a, b, c, x[11], 0xbd3af235u, 10)
        VORN_MD5_I(c, d, a, b, x[2], 0x2ad7d2bbu, 15)
        VORN_MD5_I(b, c, d, a, x[9], 0xeb86d391u, 21)

        a += a0;
        b += b0;
        c += c0;
        d += d0;
    }
    state_[0] = a;
    state_[1] = b;
    state_[2] = c;
    state_[3] = d;
}

#undef VORN_MD5_F
#undef VORN_MD5_G
#undef VORN_MD5_H
#undef VORN_MD5_I

void Md5::Update(const void* data, size_t size) {
    if (size == 0) return;  // an empty read may come with no buffer at all
    auto* bytes = static_cast<const std::uint8_t*>(data);
    length_ += size;
    if (pendingSize_ > 0) {
        const size_t take = size < 64 - pendingSize_ ? size : 64 - pendingSize_;
        std::memcpy(pending_ + pendingSize_, bytes, take);
        pendingSize_ += take;
        bytes += take;
        size -= take;
        if (pendingSize_ < 64) return;
        Blocks(pending_, 1);
        pendingSize_ = 0;
    }
    // Whole blocks straight from the caller's buffer.
    Blocks(bytes, size / 64);
    bytes += size / 64 * 64;
    size %= 64;
    std::memcpy(pending_, bytes, size);
    pendingSize_ = size;
}

std::array<std::uint8_t, 16> Md5::Finish() {
    const std::uint64_t bits = length_ * 8;
    std::uint8_t tail[72] = {0x80};
    // Pad to 56 bytes past a block boundary, then the length in bits, low byte first.
    const size_t padding = (pendingSize_ < 56 ? 56 : 120) - pendingSize_;
    for (int i = 0; i < 8; ++i) tail[padding + i] = static_cast<std::uint8_t>(bits >> (8 * i));
    Update(tail, padding + 8);
    std::array<std::uint8_t, 16> digest{};
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) digest[4 * i + j] = static_cast<std::uint8_t>(state_[i] >> (8 * j));
    }
    return digest;
}

std::u16string Md5::Hex(const std::array<std::uint8_t, 16>& digest) {
    static const char16_t kDigits[] = u"0123456789abcdef";
    std::u16string hex;
    hex.reserve(32);
    for (std::uint8_t byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex;
}

}  // namespace vorn
