#include "tests/support/bmp_writer.h"

namespace testsupport {
namespace {

void put32(std::string& s, size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
void put16(std::string& s, size_t at, std::uint16_t v) {
    s[at] = static_cast<char>(v & 0xFF);
    s[at + 1] = static_cast<char>(v >> 8);
}

std::string header(int width, int height, int bpp, std::uint32_t paletteBytes,
                   std::uint32_t imageBytes) {
    std::string s(54 + paletteBytes, '\0');
    s[0] = 'B';
    s[1] = 'M';
    put32(s, 2, static_cast<std::uint32_t>(54 + paletteBytes + imageBytes));
    put32(s, 10, 54 + paletteBytes);
    put32(s, 14, 40);
    put32(s, 18, static_cast<std::uint32_t>(width));
    put32(s, 22, static_cast<std::uint32_t>(height));
    put16(s, 26, 1);
    put16(s, 28, static_cast<std::uint16_t>(bpp));
    put32(s, 34, imageBytes);
    if (bpp == 8) put32(s, 46, paletteBytes / 4);
    return s;
}

}  // namespace

std::string bmp24(int width, int height, Rgb8 (*pixel)(int, int), bool topDown) {
    const int row = (width * 3 + 3) & ~3;
    std::string s =
        header(width, topDown ? -height : height, 24, 0, static_cast<std::uint32_t>(row * height));
    for (int i = 0; i < height; ++i) {
        const int y = topDown ? i : height - 1 - i;
        std::string line(row, '\0');
        for (int x = 0; x < width; ++x) {
            Rgb8 c = pixel(x, y);
            line[x * 3] = static_cast<char>(c.b);
            line[x * 3 + 1] = static_cast<char>(c.g);
            line[x * 3 + 2] = static_cast<char>(c.r);
        }
        s += line;
    }
    return s;
}

std::string bmp8(int width, int height, const std::vector<Rgb8>& palette,
                 const std::vector<std::uint8_t>& indices) {
    const int row = (width + 3) & ~3;
    std::string s = header(width, height, 8, static_cast<std::uint32_t>(palette.size() * 4),
                           static_cast<std::uint32_t>(row * height));
    for (size_t i = 0; i < palette.size(); ++i) {
        s[54 + i * 4] = static_cast<char>(palette[i].b);
        s[54 + i * 4 + 1] = static_cast<char>(palette[i].g);
        s[54 + i * 4 + 2] = static_cast<char>(palette[i].r);
    }
    for (int y = height - 1; y >= 0; --y) {
        std::string line(row, '\0');
        for (int x = 0; x < width; ++x) line[x] = static_cast<char>(indices[y * width + x]);
        s += line;
    }
    return s;
}

}  // namespace testsupport
