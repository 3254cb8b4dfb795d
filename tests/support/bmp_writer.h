// Windows BMP files written byte by byte, for tests of the picture readers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

struct Rgb8 {
    std::uint8_t r, g, b;
};

// A 24-bit BMP of width x height, bottom-up unless topDown (negative height);
// pixel(x, y) gives each colour.
std::string bmp24(int width, int height, Rgb8 (*pixel)(int x, int y), bool topDown = false);
// A bottom-up 8-bit BMP with the given palette (up to 256 entries) and indices.
std::string bmp8(int width, int height, const std::vector<Rgb8>& palette,
                 const std::vector<std::uint8_t>& indices);
// Byte offsets of the header fields, for tests that make a file lie.
inline constexpr int kBmpWidthAt = 18, kBmpHeightAt = 22, kBmpBitsAt = 28, kBmpCompressionAt = 30,
                     kBmpColoursUsedAt = 46, kBmpPixelOffsetAt = 10;

}  // namespace testsupport
