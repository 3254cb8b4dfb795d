// Presenting copies only what was drawn since the last frame: whatever the program draws,
// and however much or little, the front buffer equals the back buffer after every present.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/display/ddraw.h"
#include "platform/display/display.h"

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 600;

std::vector<std::uint16_t> pixels(IDirectDrawSurface* s) {
    DDSURFACEDESC d{};
    d.dwSize = sizeof d;
    std::vector<std::uint16_t> out;
    // Read-only, so that looking does not count as drawing.
    if (s->Lock(nullptr, &d, DDLOCK_WAIT | DDLOCK_READONLY, nullptr) != DD_OK) return out;
    for (DWORD y = 0; y < d.dwHeight; ++y) {
        const auto* row = reinterpret_cast<const std::uint16_t*>(
            static_cast<const char*>(d.lpSurface) + y * d.lPitch);
        out.insert(out.end(), row, row + d.dwWidth);
    }
    s->Unlock(nullptr);
    return out;
}

HRESULT fill(IDirectDrawSurface* s, RECT r, DWORD value) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = value;
    return s->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

class Present : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(platform::displayOpen(nullptr, kWidth, kHeight, false));
        back = platform::displayBackBuffer();
        front = platform::displayFrontBuffer();
        const RECT viewport{0, 0, kWidth, kHeight};
        platform::displaySetViewport(viewport);
        IDirectDraw* dd = platform::displayDirectDraw();
        DDSURFACEDESC d{};
        d.dwSize = sizeof d;
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        d.dwWidth = 64;
        d.dwHeight = 48;
        ASSERT_EQ(dd->CreateSurface(&d, &sprite, nullptr), DD_OK);
        // A sprite of stripes with a keyed hole in the middle.
        for (int y = 0; y < 48; y += 4)
            ASSERT_EQ(fill(sprite, {0, y, 64, y + 4}, 0x1000u * y), DD_OK);
        ASSERT_EQ(fill(sprite, {16, 12, 48, 36}, 0x001F), DD_OK);
        DDCOLORKEY key{0x001F, 0x001F};
        ASSERT_EQ(sprite->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
    }
    void TearDown() override {
        if (sprite) sprite->Release();
        platform::displayClose();
    }
    void expectFrontEqualsBack(int frame) {
        const auto b = pixels(back);
        const auto f = pixels(front);
        ASSERT_EQ(b.size(), f.size());
        std::size_t differing = 0;
        for (std::size_t i = 0; i < b.size(); ++i) differing += b[i] != f[i];
        EXPECT_EQ(differing, 0u) << "after frame " << frame;
    }

    IDirectDrawSurface* back = nullptr;
    IDirectDrawSurface* front = nullptr;
    IDirectDrawSurface* sprite = nullptr;
};

TEST_F(Present, FrontEqualsBackAfterEveryFrameOfRandomDrawing) {
    std::mt19937 random(12345);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    ASSERT_EQ(fill(back, {0, 0, kWidth, kHeight}, 0x4208), DD_OK);
    ASSERT_TRUE(platform::displayPresent());
    expectFrontEqualsBack(0);
    for (int frame = 1; frame <= 150; ++frame) {
        // Quiet frames, a few small changes, and frames with far more separate pieces
        // than are kept apart.
        const int ops = frame % 10 == 0 ? 0 : pick(frame % 7 == 0 ? 40 : 6);
        for (int i = 0; i < ops; ++i) {
            const int x = pick(kWidth), y = pick(kHeight);
            const int w = 1 + pick(120), h = 1 + pick(90);
            const DWORD colour = static_cast<DWORD>(random() & 0xFFFF);
            switch (pick(5)) {
                case 0:  // a fill, clipped by the viewport where it runs off the edge
                    fill(back, {x, y, x + w, y + h}, colour);
                    break;
                case 1:
                    if (x + 64 <= kWidth && y + 48 <= kHeight)
                        back->BltFast(static_cast<DWORD>(x), static_cast<DWORD>(y), sprite, nullptr,
                                      DDBLTFAST_SRCCOLORKEY);
                    break;
                case 2: {  // a keyed, stretched blit
                    RECT d{x - 30, y - 20, x + w, y + h};
                    back->Blt(&d, sprite, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr);
                    break;
                }
                case 3: {  // pixels written through a lock
                    RECT r{x, y, std::min(x + w, kWidth), std::min(y + h, kHeight)};
                    DDSURFACEDESC d{};
                    d.dwSize = sizeof d;
                    ASSERT_EQ(back->Lock(&r, &d, DDLOCK_WAIT, nullptr), DD_OK);
                    for (LONG row = 0; row < r.bottom - r.top; row += 3)
                        static_cast<std::uint16_t*>(d.lpSurface)[row * d.lPitch / 2] =
                            static_cast<std::uint16_t>(colour);
                    back->Unlock(nullptr);
                    break;
                }
                default:  // something drawn straight onto the front buffer
                    fill(front, {x, y, std::min(x + w, kWidth), std::min(y + h, kHeight)}, colour);
                    break;
            }
        }
        ASSERT_TRUE(platform::displayPresent());
        expectFrontEqualsBack(frame);
        if (HasFailure()) break;
    }
}

// A picture copied onto the front buffer is covered by the next present (the front buffer
// shows the back buffer again); the same copy made after that must show the picture again.
TEST_F(Present, TheSameCopyOntoTheFrontBufferShowsAgainAfterAPresentCoveredIt) {
    ASSERT_EQ(fill(back, {0, 0, kWidth, kHeight}, 0x4208), DD_OK);
    ASSERT_TRUE(platform::displayPresent());
    RECT at{100, 100, 164, 148};
    const std::size_t stripe = 105 * kWidth + 101;  // sprite pixel (1, 5): colour 0x4000
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(front->Blt(&at, sprite, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
        EXPECT_EQ(pixels(front)[stripe], 0x4000) << "copy " << round + 1;
        ASSERT_TRUE(platform::displayPresent());
        EXPECT_EQ(pixels(front)[stripe], 0x4208) << "present " << round + 1;
    }
}

}  // namespace
