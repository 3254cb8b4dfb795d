// DirectDraw's rules as the programs rely on them: refusal of rectangles outside a
// surface, clipping to the back buffer's viewport, colour keys, fills, stretching.
#include <gtest/gtest.h>

#include <cstdint>

#include "platform/display/ddraw.h"
#include "platform/display/ddraw_internal.h"
#include "tests/platform/display/surface_fixture.h"

namespace {

using DirectDrawTest = surfacetest::Surfaces;

TEST_F(DirectDrawTest, DescriptionsCarryTheSizePitchAndMasks) {
    // Without a pixel format a surface takes the display's, 565.
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.dwWidth = 50;
    d.dwHeight = 44;
    d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface* a = nullptr;
    ASSERT_EQ(dd->CreateSurface(&d, &a, nullptr), DD_OK);
    made.push_back(a);
    auto* b = make(10, 10, 16, 0x03E0);
    d = {};
    d.dwSize = sizeof d;
    ASSERT_EQ(a->GetSurfaceDesc(&d), DD_OK);
    EXPECT_EQ(d.dwWidth, 50u);
    EXPECT_EQ(d.dwHeight, 44u);
    EXPECT_GE(d.lPitch, 100);
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, 16u);
    EXPECT_EQ(d.ddpfPixelFormat.dwRBitMask, 0xF800u);
    EXPECT_EQ(d.ddpfPixelFormat.dwGBitMask, 0x07E0u);
    EXPECT_EQ(d.ddpfPixelFormat.dwBBitMask, 0x001Fu);
    ASSERT_EQ(b->GetSurfaceDesc(&d), DD_OK);
    EXPECT_EQ(d.ddpfPixelFormat.dwRBitMask, 0x7C00u);
    EXPECT_EQ(d.ddpfPixelFormat.dwGBitMask, 0x03E0u);
    IDirectDrawPalette* p = nullptr;
    EXPECT_EQ(a->GetPalette(&p), DDERR_NOPALETTEATTACHED);
}

TEST_F(DirectDrawTest, RectanglesOutsideEitherSurfaceAreRefusedAndChangeNothing) {
    auto* src = make(20, 20);
    auto* dst = make(40, 40);
    ASSERT_EQ(fill(src, nullptr, 0x1234), DD_OK);
    RECT inside{0, 0, 20, 20}, past{30, 30, 50, 50}, negative{-5, 0, 15, 20},
        inverted{10, 10, 5, 5};
    EXPECT_EQ(dst->Blt(&past, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->Blt(&negative, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->Blt(&inverted, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    RECT bigSource{0, 0, 21, 20};
    EXPECT_EQ(dst->Blt(&inside, src, &bigSource, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(pixel(dst, 35, 35), 0) << "a refused blit draws nothing";
    EXPECT_EQ(pixel(dst, 0, 0), 0);
    EXPECT_EQ(dst->Blt(&inside, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixel(dst, 19, 19), 0x1234);
    EXPECT_EQ(pixel(dst, 20, 20), 0);
    EXPECT_EQ(dst->BltFast(25, 25, src, nullptr, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    EXPECT_EQ(dst->BltFast(20, 20, src, nullptr, DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(pixel(dst, 39, 39), 0x1234);
}

TEST_F(DirectDrawTest, AViewportClipsTheDestinationAndTheSourceWithIt) {
    auto* back = make(100, 60);
    auto* src = make(20, 10);
    for (int x = 0; x < 20; ++x) {
        RECT col{x, 0, x + 1, 10};
        ASSERT_EQ(fill(src, &col, static_cast<std::uint16_t>(100 + x)), DD_OK);
    }
    RECT vp{0, 0, 100, 60};
    platform::surfaceSetViewport(back, &vp);
    RECT hanging{-5, 55, 15, 65};
    ASSERT_EQ(back->Blt(&hanging, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixel(back, 0, 55), 105) << "source columns follow the clipped destination";
    EXPECT_EQ(pixel(back, 14, 59), 119);
    RECT away{200, 200, 220, 210};
    EXPECT_EQ(back->Blt(&away, src, nullptr, DDBLT_WAIT, nullptr), DD_OK) << "clipped to nothing";
    platform::surfaceSetViewport(back, nullptr);
    EXPECT_EQ(back->Blt(&hanging, src, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
}

TEST_F(DirectDrawTest, ColourKeysSkipTheKeyOn565And555) {
    for (bool rgb555 : {false, true}) {
        auto* src = make(4, 1, 16, rgb555 ? 0x03E0 : 0x07E0);
        auto* dst = make(4, 1, 16, rgb555 ? 0x03E0 : 0x07E0);
        const std::uint16_t blue = 0x001F;
        const std::uint16_t white = rgb555 ? 0x7FFF : 0xFFFF;
        ASSERT_EQ(fill(dst, nullptr, 0x0421), DD_OK);
        setPixel(src, 0, 0, blue);
        setPixel(src, 1, 0, white);
        setPixel(src, 2, 0, blue);
        setPixel(src, 3, 0, 0x0010);
        DDCOLORKEY key{blue, blue};
        ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
        ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
        EXPECT_EQ(pixel(dst, 0, 0), 0x0421) << "keyed pixel not copied, 555=" << rgb555;
        EXPECT_EQ(pixel(dst, 1, 0), white);
        EXPECT_EQ(pixel(dst, 2, 0), 0x0421);
        EXPECT_EQ(pixel(dst, 3, 0), 0x0010) << "a near colour is copied";
        // Without the key flag every pixel goes across, the key included.
        ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
        EXPECT_EQ(pixel(dst, 0, 0), blue);
        // And keyed again: the key state follows each blit's flags.
        ASSERT_EQ(fill(dst, nullptr, 0x0421), DD_OK);
        ASSERT_EQ(dst->BltFast(0, 0, src, nullptr, DDBLTFAST_SRCCOLORKEY), DD_OK);
        EXPECT_EQ(pixel(dst, 2, 0), 0x0421);
        EXPECT_EQ(pixel(src, 2, 0), blue) << "a keyed source still reads back its pixels";
    }
}

TEST_F(DirectDrawTest, ColourFillCoversExactlyItsRectangle) {
    auto* s = make(10, 10);
    RECT r{2, 3, 5, 7};
    ASSERT_EQ(fill(s, &r, 0xABCD), DD_OK);
    EXPECT_EQ(pixel(s, 2, 3), 0xABCD);
    EXPECT_EQ(pixel(s, 4, 6), 0xABCD);
    EXPECT_EQ(pixel(s, 5, 6), 0);
    EXPECT_EQ(pixel(s, 4, 7), 0);
    EXPECT_EQ(pixel(s, 1, 3), 0);
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = 0x12345678;
    ASSERT_EQ(s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    EXPECT_EQ(pixel(s, 9, 9), 0x5678) << "the low 16 bits of the fill value";
}

TEST_F(DirectDrawTest, DifferentSizesStretch) {
    auto* src = make(2, 2);
    auto* big = make(4, 4);
    auto* small = make(1, 1);
    setPixel(src, 0, 0, 1);
    setPixel(src, 1, 0, 2);
    setPixel(src, 0, 1, 3);
    setPixel(src, 1, 1, 4);
    ASSERT_EQ(big->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixel(big, 0, 0), 1);
    EXPECT_EQ(pixel(big, 1, 1), 1);
    EXPECT_EQ(pixel(big, 2, 0), 2);
    EXPECT_EQ(pixel(big, 3, 3), 4);
    EXPECT_EQ(pixel(big, 0, 3), 3);
    ASSERT_EQ(small->Blt(nullptr, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const auto v = pixel(small, 0, 0);
    EXPECT_TRUE(v >= 1 && v <= 4);
}

TEST_F(DirectDrawTest, LockGivesThePitchAndTheRectanglesFirstPixel) {
    auto* s = make(16, 8);
    setPixel(s, 5, 3, 0x7777);
    RECT r{5, 3, 8, 6};
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(s->Lock(&r, &d, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(*static_cast<std::uint16_t*>(d.lpSurface), 0x7777);
    DDSURFACEDESC again{};
    again.dwSize = sizeof again;
    EXPECT_EQ(s->Lock(nullptr, &again, DDLOCK_WAIT, nullptr), DDERR_SURFACEBUSY);
    auto* other = make(16, 8);
    EXPECT_EQ(other->Blt(nullptr, s, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
    ASSERT_EQ(s->Unlock(nullptr), DD_OK);
    EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);
}

TEST_F(DirectDrawTest, ReferenceCountsAndTheSeventhInterface) {
    auto* s = make(2, 2);
    EXPECT_EQ(s->AddRef(), 2u);
    EXPECT_EQ(s->Release(), 1u);
    void* seven = nullptr;
    ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw7, &seven), S_OK);
    ASSERT_NE(seven, nullptr);
    static_cast<IDirectDraw*>(seven)->Release();
    GUID other{1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
    EXPECT_EQ(dd->QueryInterface(other, &seven), E_NOINTERFACE);
    EXPECT_EQ(seven, nullptr);
}

}  // namespace
