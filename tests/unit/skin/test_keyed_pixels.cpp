#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "skin/KeyedPixels.h"

using vorn::skin::ConvertToKeyedPixels;
using vorn::skin::KeyPixel;
using vorn::skin::kKeyColour;

namespace {

std::array<uint8_t, 4> Keyed(uint8_t b, uint8_t g, uint8_t r, uint8_t a, uint32_t key = kKeyColour) {
    const uint8_t in[4] = {b, g, r, a};
    std::array<uint8_t, 4> out{9, 9, 9, 9};
    KeyPixel(in, key, out.data());
    return out;
}

}  // namespace

TEST(KeyedPixels, OpaqueTransparentAndPartlyTransparentPixels) {
    EXPECT_EQ(Keyed(10, 20, 30, 255), (std::array<uint8_t, 4>{10, 20, 30, 0}));
    // Fully transparent: the key colour whatever the colour bytes.
    EXPECT_EQ(Keyed(1, 2, 3, 0), (std::array<uint8_t, 4>{0xFF, 0x00, 0xFF, 0}));
    EXPECT_EQ(Keyed(1, 2, 3, 0, 0x00123456), (std::array<uint8_t, 4>{0x12, 0x34, 0x56, 0}));
    // Half-transparent black over white is 127, white stays white.
    EXPECT_EQ(Keyed(0, 0, 0, 128), (std::array<uint8_t, 4>{127, 127, 127, 0}));
    EXPECT_EQ(Keyed(255, 255, 255, 128), (std::array<uint8_t, 4>{255, 255, 255, 0}));
    // Each channel separately; alpha 1 is almost white, alpha 254 almost the colour.
    EXPECT_EQ(Keyed(0, 100, 200, 1), (std::array<uint8_t, 4>{254, 254, 254, 0}));
    EXPECT_EQ(Keyed(0, 100, 200, 254), (std::array<uint8_t, 4>{1, 100, 200, 0}));
}

TEST(KeyedPixels, RowsAreStoredBottomUpAndStrideIsHonoured) {
    // 2 x 2 source with 4 padding bytes per row; top-left red, bottom-right transparent.
    const int stride = 12;
    std::vector<uint8_t> source(stride * 2, 0xEE);
    const uint8_t topLeft[4] = {0, 0, 255, 255}, topRight[4] = {0, 255, 0, 255};
    const uint8_t bottomLeft[4] = {255, 0, 0, 255}, bottomRight[4] = {7, 7, 7, 0};
    std::copy(topLeft, topLeft + 4, source.begin());
    std::copy(topRight, topRight + 4, source.begin() + 4);
    std::copy(bottomLeft, bottomLeft + 4, source.begin() + stride);
    std::copy(bottomRight, bottomRight + 4, source.begin() + stride + 4);
    std::vector<uint8_t> out(16, 0);
    ConvertToKeyedPixels(source.data(), stride, 2, 2, kKeyColour, out.data());
    // The picture's top row is the last stored row.
    EXPECT_EQ(std::vector<uint8_t>(out.begin() + 8, out.end()), (std::vector<uint8_t>{0, 0, 255, 0, 0, 255, 0, 0}));
    EXPECT_EQ(std::vector<uint8_t>(out.begin(), out.begin() + 8), (std::vector<uint8_t>{255, 0, 0, 0, 255, 0, 255, 0}));
}

TEST(KeyedPixels, EmptyOrMissingBuffersChangeNothing) {
    std::vector<uint8_t> out(4, 0x55);
    ConvertToKeyedPixels(nullptr, 4, 1, 1, kKeyColour, out.data());
    const uint8_t pixel[4] = {1, 2, 3, 255};
    ConvertToKeyedPixels(pixel, 4, 0, 1, kKeyColour, out.data());
    ConvertToKeyedPixels(pixel, 4, 1, -1, kKeyColour, out.data());
    EXPECT_EQ(out, std::vector<uint8_t>(4, 0x55));
}
