// The surface tests' fixture: a DirectDraw object, surfaces made on it and released after
// each test, and fills, keys and pixels read back through Lock.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "platform/display/ddraw.h"
#include "platform/faults.h"

namespace surfacetest {

class Surfaces : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(DirectDrawCreate(nullptr, &dd, nullptr), DD_OK); }
    void TearDown() override {
        for (auto* s : made) s->Release();
        dd->Release();
        platform::faultClearAll();
    }
    IDirectDrawSurface* make(int w, int h, DWORD bits = 16, DWORD greenMask = 0x07E0) {
        DDSURFACEDESC d{};
        d.dwSize = sizeof d;
        d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.dwWidth = static_cast<DWORD>(w);
        d.dwHeight = static_cast<DWORD>(h);
        d.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
        d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
        d.ddpfPixelFormat.dwRGBBitCount = bits;
        if (bits == 8) {
            d.ddpfPixelFormat.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
        } else {
            d.ddpfPixelFormat.dwFlags = DDPF_RGB;
            d.ddpfPixelFormat.dwGBitMask = greenMask;
        }
        IDirectDrawSurface* s = nullptr;
        EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DD_OK);
        if (s) made.push_back(s);
        return s;
    }
    static HRESULT fill(IDirectDrawSurface* s, RECT* r, DWORD value) {
        DDBLTFX fx{};
        fx.dwSize = sizeof fx;
        fx.dwFillColor = value;
        return s->Blt(r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
    }
    static void setPixel(IDirectDrawSurface* s, int x, int y, DWORD v) {
        RECT r{x, y, x + 1, y + 1};
        ASSERT_EQ(fill(s, &r, v), DD_OK);
    }
    // Every pixel of the surface, row by row, read through Lock.
    static std::vector<std::uint32_t> pixels(IDirectDrawSurface* s) {
        DDSURFACEDESC d{};
        d.dwSize = sizeof d;
        std::vector<std::uint32_t> out;
        EXPECT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
        if (!d.lpSurface) return out;
        for (DWORD y = 0; y < d.dwHeight; ++y) {
            const char* row = static_cast<const char*>(d.lpSurface) + y * d.lPitch;
            for (DWORD x = 0; x < d.dwWidth; ++x)
                out.push_back(d.ddpfPixelFormat.dwRGBBitCount == 8
                                  ? static_cast<std::uint8_t>(row[x])
                                  : reinterpret_cast<const std::uint16_t*>(row)[x]);
        }
        s->Unlock(nullptr);
        return out;
    }
    static std::uint32_t pixel(IDirectDrawSurface* s, int x, int y) {
        DDSURFACEDESC d{};
        d.dwSize = sizeof d;
        RECT one{x, y, x + 1, y + 1};
        EXPECT_EQ(s->Lock(&one, &d, DDLOCK_WAIT, nullptr), DD_OK);
        std::uint32_t v = d.ddpfPixelFormat.dwRGBBitCount == 8
                              ? *static_cast<std::uint8_t*>(d.lpSurface)
                              : *static_cast<std::uint16_t*>(d.lpSurface);
        s->Unlock(nullptr);
        return v;
    }
    static void key(IDirectDrawSurface* s, DWORD value) {
        DDCOLORKEY k{value, value};
        ASSERT_EQ(s->SetColorKey(DDCKEY_SRCBLT, &k), DD_OK);
    }
    IDirectDraw* dd = nullptr;
    std::vector<IDirectDrawSurface*> made;
};

inline constexpr DWORD kBlue = 0x001F;

}  // namespace surfacetest
