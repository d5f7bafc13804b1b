#pragma once
// The MD5 message digest (RFC 1321), fed in pieces of any size. The program's own: the
// system's digest provider was the slower part of hashing the executable at every start.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace vorn {

class Md5 {
public:
    void Update(const void* data, size_t size);
    // The digest of everything fed so far; the object is spent afterwards.
    std::array<std::uint8_t, 16> Finish();

    // 32 lower-case hexadecimal characters, first byte first.
    static std::u16string Hex(const std::array<std::uint8_t, 16>& digest);

private:
    void Blocks(const std::uint8_t* data, size_t count);

    std::uint32_t state_[4] = {0x67452301u, 0xefcdab89u, 0x98badcfeu, 0x10325476u};
    std::uint64_t length_ = 0;  // bytes fed
    std::uint8_t pending_[64] = {};
    size_t pendingSize_ = 0;
};

}  // namespace vorn
