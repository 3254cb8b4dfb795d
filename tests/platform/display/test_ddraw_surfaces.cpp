// Surface behaviour beyond the basic blit rules: keyed sources that are written to
// again, stretching with keys and viewports, overlapping copies, 8-bit surfaces and
// palettes, descriptions, device contexts and the injected DirectDraw faults.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/display/ddraw.h"
#include "platform/display/ddraw_internal.h"
#include "platform/faults.h"
#include "tests/platform/display/surface_fixture.h"

namespace {

using surfacetest::kBlue;
using surfacetest::Surfaces;

TEST_F(Surfaces, AKeyedSourceCanStillBeFilledLockedAndWrittenAfterItsFirstBlit) {
    auto* src = make(8, 4);
    auto* dst = make(8, 4);
    ASSERT_EQ(fill(src, nullptr, kBlue), DD_OK);
    setPixel(src, 1, 1, 0x1111);
    key(src, kBlue);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(pixel(dst, 1, 1), 0x1111u);
    EXPECT_EQ(pixel(dst, 0, 0), 0u);

    // A fill of the keyed source after it has been blitted must land.
    RECT right{4, 0, 8, 4};
    ASSERT_EQ(fill(src, &right, 0x2222), DD_OK);
    EXPECT_EQ(pixel(src, 5, 2), 0x2222u);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(pixel(dst, 6, 3), 0x2222u) << "the next keyed blit sees the filled pixels";
    EXPECT_EQ(pixel(dst, 1, 1), 0x1111u);

    // So must a write through Lock.
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    RECT at{2, 3, 3, 4};
    ASSERT_EQ(src->Lock(&at, &d, DDLOCK_WAIT, nullptr), DD_OK);
    *static_cast<std::uint16_t*>(d.lpSurface) = 0x3333;
    ASSERT_EQ(src->Unlock(nullptr), DD_OK);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(pixel(dst, 2, 3), 0x3333u);

    // And as the destination of another blit.
    auto* patch = make(2, 2);
    ASSERT_EQ(fill(patch, nullptr, 0x4444), DD_OK);
    RECT corner{0, 0, 2, 2};
    ASSERT_EQ(src->Blt(&corner, patch, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(pixel(dst, 0, 0), 0x4444u);
    EXPECT_EQ(pixel(dst, 1, 1), 0x4444u);
}

TEST_F(Surfaces, RemovingTheKeyCopiesEveryPixelAndGetColorKeyReportsIt) {
    auto* src = make(2, 1);
    auto* dst = make(2, 1);
    setPixel(src, 0, 0, kBlue);
    setPixel(src, 1, 0, 0x0700);
    DDCOLORKEY got{};
    EXPECT_EQ(src->GetColorKey(DDCKEY_SRCBLT, &got), DDERR_NOCOLORKEY);
    key(src, kBlue);
    ASSERT_EQ(src->GetColorKey(DDCKEY_SRCBLT, &got), DD_OK);
    EXPECT_EQ(got.dwColorSpaceLowValue, kBlue);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(pixels(dst), (std::vector<std::uint32_t>{0, 0x0700}));
    ASSERT_EQ(src->SetColorKey(DDCKEY_SRCBLT, nullptr), DD_OK);
    EXPECT_EQ(src->GetColorKey(DDCKEY_SRCBLT, &got), DDERR_NOCOLORKEY);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(pixels(dst), (std::vector<std::uint32_t>{kBlue, 0x0700}));
}

TEST_F(Surfaces, StretchingUpAndDownByTwo) {
    // 4 x 4 in 2 x 2 blocks, so that nearest sampling has one right answer either way.
    auto* blocks = make(4, 4);
    const std::uint32_t a = 0x0101, b = 0x0202, c = 0x0303, e = 0x0404;
    RECT q[4] = {{0, 0, 2, 2}, {2, 0, 4, 2}, {0, 2, 2, 4}, {2, 2, 4, 4}};
    const std::uint32_t v[4] = {a, b, c, e};
    for (int i = 0; i < 4; ++i) ASSERT_EQ(fill(blocks, &q[i], v[i]), DD_OK);
    auto* half = make(2, 2);
    ASSERT_EQ(half->Blt(nullptr, blocks, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixels(half), (std::vector<std::uint32_t>{a, b, c, e}));

    auto* twice = make(8, 8);
    ASSERT_EQ(twice->Blt(nullptr, blocks, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const auto big = pixels(twice);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(big[y * 8 + x], v[(y / 4) * 2 + x / 4]) << x << "," << y;

    // A stretch into part of a surface leaves the rest alone.
    auto* wide = make(10, 4);
    RECT middle{2, 0, 6, 2};
    ASSERT_EQ(wide->Blt(&middle, half, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    const auto w = pixels(wide);
    EXPECT_EQ(w[1], 0u);
    EXPECT_EQ(w[2], a);
    EXPECT_EQ(w[3], a);
    EXPECT_EQ(w[4], b);
    EXPECT_EQ(w[5], b);
    EXPECT_EQ(w[6], 0u);
    EXPECT_EQ(w[10 + 2], c);
    EXPECT_EQ(w[10 + 5], e);
    EXPECT_EQ(w[20 + 3], 0u);
}

TEST_F(Surfaces, StretchedKeyedBlitsStillSkipTheKey) {
    auto* src = make(2, 1);
    setPixel(src, 0, 0, kBlue);
    setPixel(src, 1, 0, 0x0F00);
    key(src, kBlue);
    auto* dst = make(4, 2);
    ASSERT_EQ(fill(dst, nullptr, 0x0042), DD_OK);
    ASSERT_EQ(dst->Blt(nullptr, src, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(pixels(dst),
              (std::vector<std::uint32_t>{0x42, 0x42, 0x0F00, 0x0F00, 0x42, 0x42, 0x0F00, 0x0F00}));
    // Back to an unscaled keyed blit of the same source.
    RECT two{0, 0, 2, 1};
    ASSERT_EQ(fill(dst, nullptr, 0x0042), DD_OK);
    ASSERT_EQ(dst->Blt(&two, src, nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr), DD_OK);
    EXPECT_EQ(pixel(dst, 0, 0), 0x42u);
    EXPECT_EQ(pixel(dst, 1, 0), 0x0F00u);
}

TEST_F(Surfaces, AViewportSmallerThanTheSurfaceClipsFillsAndBlits) {
    auto* back = make(20, 10);
    RECT vp{5, 2, 15, 8};
    platform::surfaceSetViewport(back, &vp);
    ASSERT_EQ(fill(back, nullptr, 0x0011), DD_OK);
    EXPECT_EQ(pixel(back, 4, 2), 0u) << "left of the viewport";
    EXPECT_EQ(pixel(back, 5, 2), 0x11u);
    EXPECT_EQ(pixel(back, 14, 7), 0x11u);
    EXPECT_EQ(pixel(back, 15, 7), 0u);
    EXPECT_EQ(pixel(back, 14, 8), 0u);

    // An unscaled source hanging over the viewport's right edge: its first columns land.
    auto* src = make(6, 1);
    for (int x = 0; x < 6; ++x) setPixel(src, x, 0, 0x100 + x);
    RECT over{12, 3, 18, 4};
    ASSERT_EQ(back->Blt(&over, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixel(back, 12, 3), 0x100u);
    EXPECT_EQ(pixel(back, 14, 3), 0x102u);
    EXPECT_EQ(pixel(back, 15, 3), 0u);

    // A 2x stretch cut at the viewport's left edge keeps source and destination in step.
    RECT stretched{1, 5, 13, 6};  // 12 wide for 6 source columns; columns 1..4 are outside
    ASSERT_EQ(back->Blt(&stretched, src, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixel(back, 4, 5), 0u);
    EXPECT_EQ(pixel(back, 5, 5), 0x102u);
    EXPECT_EQ(pixel(back, 6, 5), 0x102u);
    EXPECT_EQ(pixel(back, 7, 5), 0x103u);
    EXPECT_EQ(pixel(back, 12, 5), 0x105u);
    EXPECT_EQ(pixel(back, 13, 5), 0x11u) << "past the destination rectangle";

    // The source rectangle itself must still lie inside the source.
    RECT dest{6, 6, 8, 7}, pastSource{5, 0, 7, 1};
    EXPECT_EQ(back->Blt(&dest, src, &pastSource, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
}

TEST_F(Surfaces, OverlappingCopiesWithinOneSurface) {
    auto* s = make(6, 1);
    for (int x = 0; x < 6; ++x) setPixel(s, x, 0, 1 + x);
    RECT from{0, 0, 4, 1}, to{1, 0, 5, 1};
    ASSERT_EQ(s->Blt(&to, s, &from, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixels(s), (std::vector<std::uint32_t>{1, 1, 2, 3, 4, 6}));
    RECT back{1, 0, 5, 1}, left{0, 0, 4, 1};
    ASSERT_EQ(s->Blt(&left, s, &back, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixels(s), (std::vector<std::uint32_t>{1, 2, 3, 4, 4, 6}));
}

TEST_F(Surfaces, BltFastCopiesPartsAndHonoursTheKeyOn555) {
    auto* src = make(4, 2, 16, 0x03E0);
    auto* dst = make(6, 3, 16, 0x03E0);
    ASSERT_EQ(fill(src, nullptr, 0x7FFF), DD_OK);
    setPixel(src, 2, 0, kBlue);
    key(src, kBlue);
    ASSERT_EQ(fill(dst, nullptr, 0x0001), DD_OK);
    RECT part{1, 0, 4, 1};
    ASSERT_EQ(dst->BltFast(3, 2, src, &part, DDBLTFAST_SRCCOLORKEY | DDBLTFAST_WAIT), DD_OK);
    EXPECT_EQ(pixel(dst, 3, 2), 0x7FFFu);
    EXPECT_EQ(pixel(dst, 4, 2), 0x0001u) << "keyed pixel skipped";
    EXPECT_EQ(pixel(dst, 5, 2), 0x7FFFu);
    EXPECT_EQ(pixel(dst, 2, 2), 0x0001u);
    EXPECT_EQ(pixel(dst, 3, 1), 0x0001u);
    ASSERT_EQ(dst->BltFast(3, 2, src, &part, DDBLTFAST_NOCOLORKEY), DD_OK);
    EXPECT_EQ(pixel(dst, 4, 2), kBlue);
    EXPECT_EQ(dst->BltFast(4, 2, src, &part, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
    RECT outside{3, 0, 5, 1};
    EXPECT_EQ(dst->BltFast(0, 0, src, &outside, DDBLTFAST_WAIT), DDERR_INVALIDRECT);
}

TEST_F(Surfaces, LockedRectanglesAddressRowsByThePitch) {
    auto* s = make(13, 7);  // odd width: the pitch is padded past the row
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    RECT r{3, 2, 9, 6};
    ASSERT_EQ(s->Lock(&r, &d, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_TRUE(d.dwFlags & DDSD_LPSURFACE);
    EXPECT_GE(d.lPitch, 26);
    for (int y = 0; y < 4; ++y) {
        auto* row =
            reinterpret_cast<std::uint16_t*>(static_cast<char*>(d.lpSurface) + y * d.lPitch);
        for (int x = 0; x < 6; ++x) row[x] = static_cast<std::uint16_t>(0x1000 + y * 16 + x);
    }
    EXPECT_EQ(fill(s, nullptr, 0), DDERR_SURFACEBUSY) << "no blits onto a locked surface";
    ASSERT_EQ(s->Unlock(nullptr), DD_OK);
    const auto all = pixels(s);
    EXPECT_EQ(all[2 * 13 + 3], 0x1000u);
    EXPECT_EQ(all[5 * 13 + 8], 0x1035u);
    EXPECT_EQ(all[2 * 13 + 9], 0u);
    EXPECT_EQ(all[6 * 13 + 3], 0u);
    EXPECT_EQ(all[1 * 13 + 3], 0u);
    RECT bad{10, 0, 14, 1};
    EXPECT_EQ(s->Lock(&bad, &d, DDLOCK_WAIT, nullptr), DDERR_INVALIDRECT);
    EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED) << "a refused lock leaves it unlocked";
}

TEST_F(Surfaces, EightBitSurfacesDescribeThemselvesAndCarryAPalette) {
    auto* s = make(5, 3, 8);
    ASSERT_NE(s, nullptr);
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(s->GetSurfaceDesc(&d), DD_OK);
    const DWORD want = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_CAPS;
    EXPECT_EQ(d.dwFlags & want, want);
    EXPECT_EQ(d.ddpfPixelFormat.dwRGBBitCount, 8u);
    EXPECT_TRUE(d.ddpfPixelFormat.dwFlags & DDPF_PALETTEINDEXED8);
    EXPECT_GE(d.lPitch, 5);
    EXPECT_TRUE(d.ddsCaps.dwCaps & DDSCAPS_OFFSCREENPLAIN);
    setPixel(s, 4, 2, 0x1F7);
    EXPECT_EQ(pixel(s, 4, 2), 0xF7u) << "an 8-bit fill takes the low byte";

    std::vector<PALETTEENTRY> colours(3);
    colours[0] = {1, 2, 3, 0};
    colours[2] = {250, 128, 7, 0};
    platform::surfaceSetPalette(s, colours.data(), 3);
    IDirectDrawPalette* p = nullptr;
    ASSERT_EQ(s->GetPalette(&p), DD_OK);
    ASSERT_NE(p, nullptr);
    PALETTEENTRY got[3];
    ASSERT_EQ(p->GetEntries(0, 0, 3, got), DD_OK);
    EXPECT_EQ(got[2].peRed, 250);
    EXPECT_EQ(got[2].peGreen, 128);
    EXPECT_EQ(got[0].peBlue, 3);
    EXPECT_EQ(p->GetEntries(0, 250, 10, got), DDERR_INVALIDPARAMS) << "past entry 255";
    p->Release();

    // The palette converts on the way to a 16-bit surface.
    auto* wide = make(5, 3);
    setPixel(s, 0, 0, 2);
    ASSERT_EQ(wide->Blt(nullptr, s, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(pixel(wide, 0, 0), (250u >> 3) << 11 | (128u >> 2) << 5 | (7u >> 3));
}

TEST_F(Surfaces, CreateSurfaceRefusesWhatItCannotMake) {
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH;
    d.dwWidth = 10;
    IDirectDrawSurface* s = reinterpret_cast<IDirectDrawSurface*>(1);
    EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DDERR_INVALIDPARAMS) << "no height";
    EXPECT_EQ(s, nullptr);
    d.dwFlags |= DDSD_HEIGHT | DDSD_PIXELFORMAT;
    d.dwHeight = 10;
    d.ddpfPixelFormat = {sizeof(DDPIXELFORMAT), DDPF_RGB, 0, 32, 0xFF0000, 0xFF00, 0xFF, 0};
    EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DDERR_INVALIDPIXELFORMAT);
    d.dwFlags &= ~static_cast<DWORD>(DDSD_PIXELFORMAT);
    d.dwWidth = 0;
    EXPECT_NE(dd->CreateSurface(&d, &s, nullptr), DD_OK) << "zero width";
    EXPECT_EQ(s, nullptr);
}

TEST_F(Surfaces, DeviceContextsAreHandedOutOnceAtATime) {
    auto* s = make(4, 4);
    HDC dc = nullptr;
    ASSERT_EQ(s->GetDC(&dc), DD_OK);
    EXPECT_NE(dc, nullptr);
    HDC again = nullptr;
    EXPECT_EQ(s->GetDC(&again), DDERR_SURFACEBUSY);
    EXPECT_EQ(s->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(s->ReleaseDC(dc), DDERR_INVALIDPARAMS) << "released twice";
}

TEST_F(Surfaces, InjectedFaultsRefuseTheObjectAndTheSeventhInterface) {
    platform::faultSet("directdraw-create", true);
    IDirectDraw* refused = reinterpret_cast<IDirectDraw*>(1);
    EXPECT_EQ(DirectDrawCreate(nullptr, &refused, nullptr), DDERR_NODIRECTDRAWHW);
    EXPECT_EQ(refused, nullptr);
    platform::faultSet("directdraw-create", false);

    platform::faultSet("directdraw7", true);
    void* seven = reinterpret_cast<void*>(1);
    EXPECT_EQ(dd->QueryInterface(IID_IDirectDraw7, &seven), E_NOINTERFACE);
    EXPECT_EQ(seven, nullptr);
    void* plain = nullptr;
    ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw, &plain), S_OK) << "the old interface stays";
    EXPECT_EQ(static_cast<IDirectDraw*>(plain)->Release(), 1u);
    platform::faultSet("directdraw7", false);
    ASSERT_EQ(dd->QueryInterface(IID_IDirectDraw7, &seven), S_OK);
    static_cast<IDirectDraw*>(seven)->Release();
}

TEST_F(Surfaces, TheDisplaysObjectOutlivesAnExtraRelease) {
    IDirectDraw* shared = platform::directDrawInstance();
    ASSERT_NE(shared, nullptr);
    EXPECT_GE(shared->Release(), 1u);
    EXPECT_GE(shared->Release(), 1u);
    EXPECT_EQ(platform::directDrawInstance(), shared);
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    d.dwWidth = d.dwHeight = 2;
    IDirectDrawSurface* s = nullptr;
    ASSERT_EQ(shared->CreateSurface(&d, &s, nullptr), DD_OK);
    s->Release();
}

}  // namespace
