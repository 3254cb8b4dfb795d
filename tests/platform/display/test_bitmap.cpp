// Reading BMP files into surfaces: 24-bit into 565, 8-bit kept with its palette,
// names found without regard to case, and broken files refused.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/display/display.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/temp_dir.h"

using testsupport::Rgb8;

namespace {

Rgb8 quadrants(int x, int y) {
    if (x < 4 && y < 2) return {255, 0, 0};
    if (x >= 4 && y < 2) return {0, 0, 255};
    if (y >= 2 && x < 4) return {255, 255, 255};
    return {0, 255, 0};
}

std::uint32_t at(IDirectDrawSurface* s, int x, int y) {
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    const char* row = static_cast<const char*>(d.lpSurface) + y * d.lPitch;
    std::uint32_t v = d.ddpfPixelFormat.dwRGBBitCount == 8
                          ? static_cast<std::uint8_t>(row[x])
                          : reinterpret_cast<const std::uint16_t*>(row)[x];
    s->Unlock(nullptr);
    return v;
}

TEST(Bitmap, TwentyFourBitPicturesBecome565TheRightWayUp) {
    testsupport::TempDir dir;
    const std::string path = dir.write("Pics/Chips.bmp", testsupport::bmp24(8, 4, quadrants));
    IDirectDrawSurface* s =
        platform::loadBitmapSurface((dir.str() + "\\pics\\chips.BMP").c_str(), 16);
    ASSERT_NE(s, nullptr) << "found through backslashes and without regard to case";
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    s->GetSurfaceDesc(&d);
    EXPECT_EQ(d.dwWidth, 8u);
    EXPECT_EQ(d.dwHeight, 4u);
    EXPECT_EQ(at(s, 0, 0), 0xF800u);
    EXPECT_EQ(at(s, 7, 0), 0x001Fu) << "pure blue is the 565 key value";
    EXPECT_EQ(at(s, 0, 3), 0xFFFFu);
    EXPECT_EQ(at(s, 7, 3), 0x07E0u);
    s->Release();
}

TEST(Bitmap, EightBitPicturesKeepTheirIndicesAndPalette) {
    testsupport::TempDir dir;
    std::vector<Rgb8> palette(256, Rgb8{0, 0, 0});
    palette[1] = {10, 20, 30};
    palette[200] = {200, 100, 50};
    std::vector<std::uint8_t> idx = {0, 1, 200, 1, 200, 0};
    const std::string path = dir.write("f.bmp", testsupport::bmp8(3, 2, palette, idx));
    IDirectDrawSurface* s = platform::loadBitmapSurface(path.c_str(), 8);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(at(s, 1, 0), 1u);
    EXPECT_EQ(at(s, 2, 0), 200u);
    EXPECT_EQ(at(s, 1, 1), 200u);
    IDirectDrawPalette* p = nullptr;
    ASSERT_EQ(s->GetPalette(&p), DD_OK);
    PALETTEENTRY e[256];
    ASSERT_EQ(p->GetEntries(0, 0, 256, e), DD_OK);
    EXPECT_EQ(e[200].peRed, 200);
    EXPECT_EQ(e[200].peGreen, 100);
    EXPECT_EQ(e[1].peBlue, 30);
    p->Release();
    s->Release();
    // Asked for 16 bits, the same file is converted.
    IDirectDrawSurface* wide = platform::loadBitmapSurface(path.c_str(), 16);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(at(wide, 2, 0), ((200u >> 3) << 11) | ((100u >> 2) << 5) | (50u >> 3));
    wide->Release();
}

TEST(Bitmap, BrokenFilesAreRefused) {
    testsupport::TempDir dir;
    const std::string good = testsupport::bmp24(8, 4, quadrants);
    auto refused = [&](std::string bytes, const char* why) {
        const std::string path = dir.write("bad.bmp", bytes);
        IDirectDrawSurface* s = platform::loadBitmapSurface(path.c_str(), 16);
        EXPECT_EQ(s, nullptr) << why;
        if (s) s->Release();
    };
    refused(good.substr(0, good.size() - 10), "truncated pixels");
    refused(good.substr(0, 30), "truncated header");
    refused("", "empty file");
    std::string lying = good;
    lying[22] = 0x40;  // height 64 with pixels for 4
    refused(lying, "height larger than the data");
    std::string zero = good;
    zero[18] = zero[19] = zero[20] = zero[21] = 0;
    refused(zero, "zero width");
    std::string offset = good;
    offset[10] = static_cast<char>(0xF0);
    offset[11] = 0x7F;
    refused(offset, "pixel offset past the end");
    std::string notBmp = good;
    notBmp[0] = 'X';
    refused(notBmp, "no BM signature");
    EXPECT_EQ(platform::loadBitmapSurface((dir.str() + "/missing.bmp").c_str(), 16), nullptr);
}

// Writes a little-endian 32-bit value into a file image.
void put32(std::string& bytes, int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

TEST(Bitmap, TopDownFilesReadLikeBottomUpOnes) {
    testsupport::TempDir dir;
    const std::string path = dir.write("down.bmp", testsupport::bmp24(8, 4, quadrants, true));
    IDirectDrawSurface* s = platform::loadBitmapSurface(path.c_str(), 16);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(at(s, 0, 0), 0xF800u);
    EXPECT_EQ(at(s, 7, 0), 0x001Fu);
    EXPECT_EQ(at(s, 0, 3), 0xFFFFu);
    EXPECT_EQ(at(s, 7, 3), 0x07E0u);
    s->Release();
}

TEST(Bitmap, ShortPalettesAreReadAndLyingOnesRefused) {
    testsupport::TempDir dir;
    const std::vector<Rgb8> two = {{0, 0, 255}, {255, 255, 0}};
    const std::vector<std::uint8_t> idx = {1, 0, 0, 1};
    const std::string good = testsupport::bmp8(2, 2, two, idx);
    const std::string path = dir.write("two.bmp", good);
    IDirectDrawSurface* s = platform::loadBitmapSurface(path.c_str(), 16);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(at(s, 0, 0), 0xFFE0u);
    EXPECT_EQ(at(s, 1, 0), 0x001Fu);
    s->Release();

    auto refused = [&](std::string bytes, const char* why) {
        const std::string p = dir.write("bad8.bmp", bytes);
        for (int depth : {8, 16}) {
            IDirectDrawSurface* bad = platform::loadBitmapSurface(p.c_str(), depth);
            EXPECT_EQ(bad, nullptr) << why << " at depth " << depth;
            if (bad) bad->Release();
        }
    };
    std::string many = good;
    put32(many, testsupport::kBmpColoursUsedAt, 300);
    refused(many, "more colours than 8 bits can index");
    std::string past = good;
    put32(past, testsupport::kBmpColoursUsedAt, 256);
    refused(past, "a palette running past the end of the file");
}

TEST(Bitmap, UnsupportedAndOversizedHeadersAreRefused) {
    testsupport::TempDir dir;
    const std::string good = testsupport::bmp24(8, 4, quadrants);
    auto refused = [&](std::string bytes, const char* why) {
        const std::string path = dir.write("odd.bmp", bytes);
        IDirectDrawSurface* s = platform::loadBitmapSurface(path.c_str(), 16);
        EXPECT_EQ(s, nullptr) << why;
        if (s) s->Release();
    };
    std::string bits = good;
    bits[testsupport::kBmpBitsAt] = 7;
    refused(bits, "7 bits per pixel");
    std::string rle = good;
    put32(rle, testsupport::kBmpCompressionAt, 1);
    refused(rle, "run-length compression");
    std::string huge = good;
    put32(huge, testsupport::kBmpWidthAt, 0x7FFFFFFF);
    refused(huge, "a width whose rows overflow the size check");
    std::string tall = good;
    put32(tall, testsupport::kBmpHeightAt, 0x80000000u);
    refused(tall, "the most negative height");
    std::string early = good;
    put32(early, testsupport::kBmpPixelOffsetAt, 20);
    refused(early, "pixels said to start inside the header");
    // A valid 1-bit picture of 4096 x 4097 (2 MB on disk) would need 32 MB as a surface:
    // refused by its pixel count; 2048 x 2048 is still read.
    auto oneBit = [](std::int32_t w, std::int32_t h) {
        const std::int32_t row = (w + 31) / 32 * 4;
        std::string b(62, '\0');
        b[0] = 'B';
        b[1] = 'M';
        put32(b, 10, 62);
        put32(b, 14, 40);
        put32(b, testsupport::kBmpWidthAt, static_cast<std::uint32_t>(w));
        put32(b, testsupport::kBmpHeightAt, static_cast<std::uint32_t>(h));
        b[26] = 1;
        b[testsupport::kBmpBitsAt] = 1;
        b[58] = b[59] = b[60] = static_cast<char>(0xFF);  // palette: black, white
        b.resize(62 + static_cast<size_t>(row) * static_cast<size_t>(h), '\0');
        put32(b, 2, static_cast<std::uint32_t>(b.size()));
        return b;
    };
    refused(oneBit(4096, 4097), "more pixels than any picture of the programs");
    const std::string big = dir.write("big.bmp", oneBit(2048, 2048));
    IDirectDrawSurface* bigSurface = platform::loadBitmapSurface(big.c_str(), 16);
    EXPECT_NE(bigSurface, nullptr);
    if (bigSurface) bigSurface->Release();
    // The unchanged file is accepted, so the refusals above are the fields' doing.
    const std::string path = dir.write("fine.bmp", good);
    IDirectDrawSurface* s = platform::loadBitmapSurface(path.c_str(), 16);
    EXPECT_NE(s, nullptr);
    if (s) s->Release();
}

}  // namespace
