// The bitmap loader on the fuzz corpus's hand-made files: every well-formed depth loads
// with its size, and every broken header (truncated, lying sizes, negative width, the
// most negative height, zero planes, offsets past the end, run-length data) is refused.
#include <gtest/gtest.h>

#include <string>

#include "platform/display/display.h"

namespace {

std::string seed(const char* name) {
    return std::string(STUDIO_SOURCE_DIR) + "/fuzz/corpus/bitmap/" + name;
}

struct Loaded {
    bool ok = false;
    DWORD width = 0, height = 0, bits = 0;
};

Loaded load(const char* name, int depth) {
    Loaded out;
    IDirectDrawSurface* s = platform::loadBitmapSurface(seed(name).c_str(), depth);
    if (s == nullptr) return out;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    s->GetSurfaceDesc(&desc);
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    s->GetPixelFormat(&format);
    out = {true, desc.dwWidth, desc.dwHeight, format.dwRGBBitCount};
    s->Release();
    return out;
}

}  // namespace

TEST(BitmapSeedFiles, WellFormedDepthsLoadWithTheirSizes) {
    struct Case {
        const char* file;
        DWORD width, height;
    };
    const Case cases[] = {
        {"rgb24.bmp", 5, 3},     {"rgb24_topdown.bmp", 4, 3}, {"pal8.bmp", 6, 4},
        {"pal8_full.bmp", 3, 3}, {"pal4.bmp", 7, 2},          {"mono.bmp", 9, 2},
        {"rgb555.bmp", 4, 4},    {"rgb565_fields.bmp", 4, 2}, {"argb32_v4.bmp", 3, 3},
        {"rgb32.bmp", 2, 2},     {"core12_pal8.bmp", 4, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const Loaded l = load(c.file, 16);
        ASSERT_TRUE(l.ok);
        EXPECT_EQ(l.width, c.width);
        EXPECT_EQ(l.height, c.height);
        EXPECT_EQ(l.bits, 16u);
    }
}

TEST(BitmapSeedFiles, EightBitLoadKeepsPaletteBytesOnlyForPalettedPictures) {
    EXPECT_EQ(load("pal8.bmp", 8).bits, 8u);
    EXPECT_EQ(load("core12_pal8.bmp", 8).bits, 8u);
    EXPECT_EQ(load("rgb24.bmp", 8).bits, 16u);
}

TEST(BitmapSeedFiles, BrokenHeadersAreRefusedAtBothDepths) {
    const char* broken[] = {"truncated_header.bmp", "truncated_pixels.bmp",     "huge_size.bmp",
                            "negative_width.bmp",   "most_negative_height.bmp", "zero_planes.bmp",
                            "offset_past_end.bmp",  "too_many_colours.bmp",     "rle8.bmp"};
    for (const char* file : broken) {
        SCOPED_TRACE(file);
        EXPECT_FALSE(load(file, 16).ok);
        EXPECT_FALSE(load(file, 8).ok);
    }
}
