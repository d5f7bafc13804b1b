#include "skin/KeyedPixels.h"

namespace vorn::skin {

void KeyPixel(const uint8_t* bgra, uint32_t keyColour, uint8_t* out) {
    const unsigned alpha = bgra[3];
    if (alpha == 255) {
        out[0] = bgra[0];
        out[1] = bgra[1];
        out[2] = bgra[2];
    } else if (alpha == 0) {
        out[0] = static_cast<uint8_t>((keyColour >> 16) & 0xFF);
        out[1] = static_cast<uint8_t>((keyColour >> 8) & 0xFF);
        out[2] = static_cast<uint8_t>(keyColour & 0xFF);
    } else {
        // Blend over white: A x (c - 255) + 65025 is never negative, so the division
        // truncates exactly as the unsigned arithmetic of the channel would.
        for (int i = 0; i < 3; ++i) {
            const int c = bgra[i];
            out[i] = static_cast<uint8_t>((static_cast<int>(alpha) * (c - 255) + 65025) / 255);
        }
    }
    out[3] = 0;
}

void ConvertToKeyedPixels(const uint8_t* source, int stride, int width, int height, uint32_t keyColour,
                          uint8_t* destination) {
    if (source == nullptr || destination == nullptr || width <= 0 || height <= 0) return;
    for (int i = 0; i < height; ++i) {
        const uint8_t* row = source + static_cast<long long>(stride) * i;
        uint8_t* out = destination + static_cast<long long>(height - 1 - i) * width * 4;
        for (int j = 0; j < width; ++j) KeyPixel(row + j * 4, keyColour, out + j * 4);
    }
}

}  // namespace vorn::skin
