// The display library on the headless display: safe before set-up, the text printer,
// pixel-format bit counts, keyboard and mouse availability.
#include <gtest/gtest.h>

#include <cstdint>

#include "qv/qv.h"

namespace {

TEST(Qv, CallsBeforeSetUpFailSafely) {
    EXPECT_EQ(QVFlip(), 0);
    EXPECT_EQ(QVGetKeys(), nullptr);
    EXPECT_EQ(QVAcquireMouse(1), 0);
    EXPECT_EQ(QVPrintString("x", 0, 0), 0);
    EXPECT_EQ(QVSetViewport(0, 0, 800, 600), 0);
    IDirectDrawSurface *front = reinterpret_cast<IDirectDrawSurface*>(1), *back = front;
    QVGetDDInfo(&front, &back);
    EXPECT_EQ(back, nullptr);
    QVFreeDirectX();  // nothing to free: must not crash
}

TEST(Qv, BitCountsOfTheHighColourFormats) {
    DDPIXELFORMAT f565{sizeof(DDPIXELFORMAT), DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
    DDPIXELFORMAT f555{sizeof(DDPIXELFORMAT), DDPF_RGB, 0, 16, 0x7C00, 0x03E0, 0x001F, 0x8000};
    int r, g, b, a;
    QVGetRGBABits(&f565, &r, &g, &b, &a);
    EXPECT_EQ(r, 5);
    EXPECT_EQ(g, 6);
    EXPECT_EQ(b, 5);
    EXPECT_EQ(a, 0);
    QVGetRGBABits(&f555, &r, &g, &b, &a);
    EXPECT_EQ(g, 5);
    EXPECT_EQ(a, 1);
}

int countWhite(IDirectDrawSurface* s, int x0, int y0, int w, int h) {
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            n += reinterpret_cast<std::uint16_t*>(static_cast<char*>(d.lpSurface) + y * d.lPitch)[x] == 0xFFFF;
    s->Unlock(nullptr);
    return n;
}

TEST(Qv, TheDisplayPrintsTextAndPresents) {
    ASSERT_NE(QVInitDirectX(nullptr, 800, 600), 0);
    ASSERT_NE(QVSetViewport(0, 0, 800, 600), 0);
    IDirectDrawSurface *front = nullptr, *back = nullptr;
    QVGetDDInfo(&front, &back);
    ASSERT_NE(back, nullptr);
    ASSERT_NE(QVGetLPDD(), nullptr);
    QVInitFont(nullptr);
    EXPECT_EQ(countWhite(back, 100, 100, 200, 30), 0);
    const int width = QVPrintString("Hello 123", 100, 100);
    EXPECT_GT(width, 9 * 6);
    EXPECT_GT(countWhite(back, 100, 100, width, 30), 20);
    EXPECT_EQ(countWhite(back, 100 + width + 2, 100, 50, 30), 0) << "drawn only where it says";
    // Text that runs off the edge is cut, not written past the surface.
    EXPECT_GT(QVPrintString("edge of the screen", 790, 595), 0);
    EXPECT_NE(QVFlip(), 0);
    EXPECT_GT(countWhite(front, 100, 100, width, 30), 20) << "the flip shows the back buffer";
    QVFreeFont();
    EXPECT_EQ(QVPrintString("gone", 0, 0), 0);
    QVFreeDirectX();
}

TEST(Qv, KeysAndMouseOnlyBetweenInitAndFree) {
    ASSERT_NE(QVInitKeyboard(), 0);
    const char* keys = QVGetKeys();
    ASSERT_NE(keys, nullptr);
    for (int i = 0; i < 256; ++i) EXPECT_EQ(keys[i] & 0x80, 0) << i;
    ASSERT_NE(QVInitMouse(), 0);
    EXPECT_NE(QVAcquireMouse(1), 0);
    int x = -1, y = -1, b = -1;
    QVGetMouseData(&x, &y, &b);
    EXPECT_EQ(b, 0);
    QVFreeDirectInput();
    EXPECT_EQ(QVGetKeys(), nullptr);
}

}  // namespace
