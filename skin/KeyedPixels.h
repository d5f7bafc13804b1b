#pragma once
// Turning a decoded picture with alpha into the opaque, colour-keyed pixels every skinned
// control draws with: fully transparent pixels carry the key colour, partly transparent
// ones are blended over white so that a plain keyed blit looks right.
#include <cstdint>

namespace vorn::skin {

// Magenta, as a COLORREF (0x00BBGGRR).
inline constexpr uint32_t kKeyColour = 0x00FF00FF;

// One pixel: bgra holds the source bytes B, G, R, A; out receives B, G, R, 0.
void KeyPixel(const uint8_t* bgra, uint32_t keyColour, uint8_t* out);

// A whole picture: source rows top-down (stride bytes apart, may be negative), destination
// a packed 32-bit bottom-up image of width x height, as a DIB section with a positive
// height stores it.
void ConvertToKeyedPixels(const uint8_t* source, int stride, int width, int height, uint32_t keyColour,
                          uint8_t* destination);

}  // namespace vorn::skin
