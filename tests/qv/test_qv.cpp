// The display library on the headless display: safe before set-up, the text printer,
// pixel-format bit counts, keyboard and mouse availability.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <thread>

#include "platform/input/input.h"
#include "qv/qv.h"
#include "tests/support/bmp_writer.h"
#include "tests/support/temp_dir.h"

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
            n += reinterpret_cast<std::uint16_t*>(static_cast<char*>(d.lpSurface) +
                                                  y * d.lPitch)[x] == 0xFFFF;
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

TEST(Qv, TextIsClippedToTheViewport) {
    ASSERT_NE(QVInitDirectX(nullptr, 800, 600), 0);
    ASSERT_NE(QVSetViewport(0, 0, 400, 300), 0);
    IDirectDrawSurface* back = nullptr;
    QVGetDDInfo(nullptr, &back);
    ASSERT_NE(back, nullptr);
    QVInitFont(nullptr);
    // Starts inside the viewport and runs past its right and bottom edges.
    EXPECT_GT(QVPrintString("WWWWWWWWWW", 350, 292), 0);
    EXPECT_GT(countWhite(back, 350, 292, 50, 8), 0);
    EXPECT_EQ(countWhite(back, 400, 280, 120, 40), 0) << "nothing right of the viewport";
    EXPECT_EQ(countWhite(back, 340, 300, 60, 20), 0) << "nothing below the viewport";
    QVFreeFont();
    QVFreeDirectX();
}

TEST(Qv, AfterFreeingTheDisplayCallsFailSafely) {
    ASSERT_NE(QVInitDirectX(nullptr, 800, 600), 0);
    QVInitFont(nullptr);
    ASSERT_NE(QVFlip(), 0);
    QVFreeDirectX();
    EXPECT_EQ(QVFlip(), 0);
    EXPECT_EQ(QVPrintString("after", 10, 10), 0);
    EXPECT_EQ(QVSetViewport(0, 0, 800, 600), 0);
    EXPECT_EQ(QVGetLPDD(), nullptr);
    IDirectDrawSurface *front = nullptr, *back = nullptr;
    QVGetDDInfo(&front, &back);
    EXPECT_EQ(front, nullptr);
    EXPECT_EQ(back, nullptr);
    EXPECT_EQ(QVGetFPS(), 0.0f) << "no frames since the display went";
    QVFreeDirectX();  // twice: still nothing to free
    QVFreeFont();
}

TEST(Qv, FrameRateIsMeasuredOverTheLastSecond) {
    ASSERT_NE(QVInitDirectX(nullptr, 800, 600), 0);
    EXPECT_EQ(QVGetFPS(), 0.0f) << "nothing presented yet";
    // About 40 frames a second for a little over a second; sleeping only ever
    // lengthens a frame, so the rate cannot honestly exceed 40 by much.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1200);
    while (std::chrono::steady_clock::now() < end) {
        ASSERT_NE(QVFlip(), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    const float fps = QVGetFPS();
    EXPECT_GT(fps, 15.0f);
    EXPECT_LT(fps, 42.0f);
    QVFreeDirectX();
}

TEST(Qv, BitmapsLoadInDisplayFormat) {
    testsupport::TempDir dir;
    const std::string path = dir.str() + "/four.bmp";
    {
        std::ofstream out(path, std::ios::binary);
        out << testsupport::bmp24(4, 3, [](int x, int) {
            return x < 2 ? testsupport::Rgb8{255, 0, 0} : testsupport::Rgb8{0, 0, 255};
        });
    }
    std::string writable = path;
    IDirectDrawSurface* s = QVLoadBitmap(writable.data());  // the writable-text spelling
    ASSERT_NE(s, nullptr);
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
    EXPECT_EQ(d.dwWidth, 4u);
    EXPECT_EQ(d.dwHeight, 3u);
    EXPECT_EQ(d.ddpfPixelFormat.dwGBitMask, 0x07E0u);
    const auto* row = static_cast<const std::uint16_t*>(d.lpSurface);
    EXPECT_EQ(row[0], 0xF800) << "red";
    EXPECT_EQ(row[3], 0x001F) << "blue";
    s->Unlock(nullptr);
    s->Release();
    EXPECT_EQ(QVLoadBitmap((dir.str() + "/missing.bmp").c_str()), nullptr);
    EXPECT_EQ(QVLoadBitmap(static_cast<const char*>(nullptr), 16), nullptr);
}

TEST(Qv, MouseButtonsAreReportedOnlyWhileAcquired) {
    ASSERT_NE(QVInitMouse(), 0);
    ASSERT_NE(QVAcquireMouse(0), 0);
    int x, y, b = -1;
    platform::inputSetButton(0, true);
    QVGetMouseData(&x, &y, &b);
    EXPECT_EQ(b, 0) << "not acquired";
    ASSERT_NE(QVAcquireMouse(1), 0);
    QVGetMouseData(&x, &y, &b);
    EXPECT_EQ(b, 1);
    platform::inputSetButton(1, true);
    QVGetMouseData(&x, &y, &b);
    EXPECT_EQ(b, 3);
    platform::inputSetButton(0, false);
    platform::inputSetButton(1, false);
    QVGetMouseData(&x, &y, &b);
    EXPECT_EQ(b, 0);
    // Freeing the devices gives the mouse back; acquiring then needs QVInitMouse again.
    QVFreeDirectInput();
    EXPECT_EQ(QVAcquireMouse(1), 0);
    platform::inputSetButton(0, true);
    QVGetMouseData(&x, &y, &b);
    EXPECT_EQ(b, 0);
    platform::inputSetButton(0, false);
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
