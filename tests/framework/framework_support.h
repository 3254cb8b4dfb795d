// Helpers for the framework tests: pictures written as BMP files, surfaces of a chosen
// pixel format, and a headless display opened once per test program.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "platform/display/ddraw.h"
#include "platform/win32/win32.h"
#include "qv/qv.h"
#include "shell/shell_state.h"

namespace fwtest {

struct Rgb {
    int r, g, b;
};

// Writes a 24-bit bottom-up BMP whose pixel (x, y) is colour(x, y).
inline void writeBmp(const std::string& path, int w, int h,
                     const std::function<Rgb(int, int)>& colour) {
    const int rowBytes = (w * 3 + 3) & ~3;
    const std::uint32_t dataSize = static_cast<std::uint32_t>(rowBytes * h);
    std::vector<std::uint8_t> out(54 + dataSize, 0);
    auto put16 = [&](int at, std::uint32_t v) {
        out[at] = v & 0xFF;
        out[at + 1] = (v >> 8) & 0xFF;
    };
    auto put32 = [&](int at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    out[0] = 'B';
    out[1] = 'M';
    put32(2, 54 + dataSize);
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(w));
    put32(22, static_cast<std::uint32_t>(h));
    put16(26, 1);
    put16(28, 24);
    put32(34, dataSize);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const Rgb c = colour(x, y);
            const std::size_t at = 54 + static_cast<std::size_t>((h - 1 - y) * rowBytes + x * 3);
            out[at] = static_cast<std::uint8_t>(c.b);
            out[at + 1] = static_cast<std::uint8_t>(c.g);
            out[at + 2] = static_cast<std::uint8_t>(c.r);
        }
    }
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
}

inline void writeSolidBmp(const std::string& path, int w, int h, Rgb c) {
    writeBmp(path, w, h, [c](int, int) { return c; });
}

inline std::uint16_t rgb565(int r, int g, int b) {
    return static_cast<std::uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

// A surface from the platform's DirectDraw object: RGB565, or RGB555 when asked.
inline IDirectDrawSurface* makeSurface(int w, int h, bool rgb555 = false) {
    static IDirectDraw* dd = [] {
        IDirectDraw* created = nullptr;
        DirectDrawCreate(nullptr, &created, nullptr);
        return created;
    }();
    if (!dd) return nullptr;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.dwWidth = static_cast<DWORD>(w);
    desc.dwHeight = static_cast<DWORD>(h);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    if (rgb555) {
        desc.dwFlags |= DDSD_PIXELFORMAT;
        desc.ddpfPixelFormat.dwSize = sizeof desc.ddpfPixelFormat;
        desc.ddpfPixelFormat.dwFlags = DDPF_RGB;
        desc.ddpfPixelFormat.dwRGBBitCount = 16;
        desc.ddpfPixelFormat.dwRBitMask = 0x7C00;
        desc.ddpfPixelFormat.dwGBitMask = 0x03E0;
        desc.ddpfPixelFormat.dwBBitMask = 0x001F;
    }
    IDirectDrawSurface* surface = nullptr;
    if (FAILED(dd->CreateSurface(&desc, &surface, nullptr))) return nullptr;
    return surface;
}

// Fills (x, y, w, h) of a 16-bit surface with a raw pixel value.
inline void fillRect(IDirectDrawSurface* s, int x, int y, int w, int h, std::uint16_t value) {
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = value;
    RECT r{x, y, x + w, y + h};
    s->Blt(&r, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

inline LRESULT CALLBACK plainWindowProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) {
    return DefWindowProcA(hwnd, m, w, l);
}

// Opens the headless display once (800 x 600 windowed) and points the shell's globals at it.
class DisplayEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        WNDCLASSA wc{};
        wc.lpfnWndProc = plainWindowProc;
        wc.lpszClassName = "Framework Test";
        RegisterClassA(&wc);
        mainWindow = CreateWindowExA(0, "Framework Test", "test", WS_VISIBLE, 0, 0, 800, 600,
                                     nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(QVInitDirectX(mainWindow, 800, 600), 0);
        QVSetViewport(0, 0, 800, 600);
        directDraw = QVGetLPDD();
        QVGetDDInfo(&frontBuffer, &backBuffer);
        clientWidth = 800;
        clientHeight = 600;
        ASSERT_NE(backBuffer, nullptr);
    }
    void TearDown() override { QVFreeDirectX(); }
};

}  // namespace fwtest
