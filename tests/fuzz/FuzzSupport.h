#pragma once
// What every fuzz target shares: a check that stops the run with the property's text, and
// a reader that turns the fuzzer's bytes into the inputs a target needs.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#define FUZZ_CHECK(condition)                                                                           \
    do {                                                                                                \
        if (!(condition)) {                                                                             \
            std::fprintf(stderr, "property failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);     \
            std::abort();                                                                               \
        }                                                                                               \
    } while (0)

namespace vorn::fuzz {

class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    std::uint8_t Byte() { return m_at < m_size ? m_data[m_at++] : 0; }
    std::uint32_t U32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v = (v << 8) | Byte();
        return v;
    }
    // Everything left, as little-endian UTF-16 code units (an odd last byte is dropped).
    std::u16string Text() { return Units(m_size, false); }
    // Up to `units` code units, or up to (and without) the first zero unit.
    std::u16string Text(std::size_t units) { return Units(units, true); }
    // The text left, cut at every zero unit.
    std::vector<std::u16string> Texts() {
        std::vector<std::u16string> parts(1);
        for (char16_t c : Text()) {
            if (c == 0) parts.emplace_back();
            else parts.back().push_back(c);
        }
        return parts;
    }
    std::vector<std::uint8_t> Bytes() {
        std::vector<std::uint8_t> out(m_data + m_at, m_data + m_size);
        m_at = m_size;
        return out;
    }

private:
    std::u16string Units(std::size_t units, bool stopAtZero) {
        std::u16string out;
        while (out.size() < units && m_at + 1 < m_size) {
            const char16_t c = static_cast<char16_t>(m_data[m_at] | (m_data[m_at + 1] << 8));
            m_at += 2;
            if (c == 0 && stopAtZero) break;
            out.push_back(c);
        }
        if (!stopAtZero) m_at = m_size;
        return out;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

inline std::u16string AsciiUpper(std::u16string_view text) {
    std::u16string out(text);
    for (char16_t& c : out) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 0x20);
    }
    return out;
}

inline bool StartsWithNoCase(std::u16string_view text, std::u16string_view prefix) {
    return text.size() >= prefix.size() && AsciiUpper(text.substr(0, prefix.size())) == AsciiUpper(prefix);
}

}  // namespace vorn::fuzz
