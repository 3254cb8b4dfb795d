// The display and input library on the platform's display: set-up and release, the
// presented frame and its rate, bitmaps, the text printer, mouse and keyboard.
#include "qv/qv.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>

#include "platform/display/display.h"
#include "platform/input/input.h"
#include "qv/builtin_font.h"

namespace {

HINSTANCE g_instance = nullptr;
int g_debug = 0;
bool g_fontReady = false;
std::atomic<bool> g_mouseReady{false};
std::atomic<bool> g_mouseAcquired{false};
bool g_keyboardReady = false;
// The back buffer's clip rectangle as last set; text is clipped to it like blits are.
bool g_hasViewport = false;
RECT g_viewport{};

std::mutex g_fpsMutex;
std::deque<DWORD> g_frameTimes;  // presents within the last second

int bitCount(DWORD mask) {
    int n = 0;
    for (; mask; mask &= mask - 1) ++n;
    return n;
}

}  // namespace

void QVSetInstance(HINSTANCE instance) {
    g_instance = instance;
}
void QVDebugEnable(int on) {
    g_debug = on;
}

int QVInitDirectX(HWND window, int width, int height, int) {
    return platform::displayOpen(window, width, height, true) ? 1 : 0;
}

int QVInitDirectX(HWND window, int width, int height) {
    return platform::displayOpen(window, width, height, false) ? 1 : 0;
}

void QVPrintError() {
    const char* text = platform::displayLastError();
    MessageBoxA(nullptr, text && *text ? text : "The display could not be set up.", "qv",
                MB_ICONERROR);
}

int QVSetViewport(int x, int y, int width, int height) {
    if (!platform::displayIsOpen() || width <= 0 || height <= 0) return 0;
    g_viewport = RECT{x, y, x + width, y + height};
    g_hasViewport = true;
    platform::displaySetViewport(g_viewport);
    return 1;
}

IDirectDraw* QVGetLPDD() {
    return platform::displayDirectDraw();
}

void QVGetDDInfo(IDirectDrawSurface** front, IDirectDrawSurface** back) {
    if (front) *front = platform::displayFrontBuffer();
    if (back) *back = platform::displayBackBuffer();
}

int QVFlip() {
    if (!platform::displayPresent()) return 0;
    const DWORD now = GetTickCount();
    std::lock_guard lock(g_fpsMutex);
    g_frameTimes.push_back(now);
    while (!g_frameTimes.empty() && now - g_frameTimes.front() > 1000) g_frameTimes.pop_front();
    return 1;
}

void QVFrameDueIn(int milliseconds) {
    platform::displayFrameDueIn(milliseconds > 0 ? static_cast<unsigned>(milliseconds) : 0u);
}

float QVGetFPS() {
    std::lock_guard lock(g_fpsMutex);
    if (g_frameTimes.size() < 2) return 0.0f;
    const DWORD span = g_frameTimes.back() - g_frameTimes.front();
    if (span == 0) return 0.0f;
    return static_cast<float>(g_frameTimes.size() - 1) * 1000.0f / static_cast<float>(span);
}

namespace {
std::atomic<int> g_windowX{0}, g_windowY{0};
}

void QVSetWindowXY(int x, int y) {
    g_windowX = x;
    g_windowY = y;
    platform::displaySetWindowOrigin(x, y);
}

void QVGetWindowXY(int* x, int* y) {
    if (x) *x = g_windowX;
    if (y) *y = g_windowY;
}

IDirectDrawSurface* QVLoadBitmap(const char* path) {
    return QVLoadBitmap(path, 16);
}

IDirectDrawSurface* QVLoadBitmap(const char* path, int depth) {
    return platform::loadBitmapSurface(path, depth == 8 ? 8 : 16);
}

void QVGetRGBABits(DDPIXELFORMAT* format, int* red, int* green, int* blue, int* alpha) {
    const bool ok = format != nullptr;
    if (red) *red = ok ? bitCount(format->dwRBitMask) : 0;
    if (green) *green = ok ? bitCount(format->dwGBitMask) : 0;
    if (blue) *blue = ok ? bitCount(format->dwBBitMask) : 0;
    if (alpha) *alpha = ok ? bitCount(format->dwRGBAlphaBitMask) : 0;
}

void QVInitFont(HWND) {
    g_fontReady = true;
}
void QVFreeFont() {
    g_fontReady = false;
}

int QVPrintString(const char* text, int x, int y) {
    IDirectDrawSurface* back = platform::displayBackBuffer();
    if (!g_fontReady || !back || !text) return 0;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    if (FAILED(back->Lock(nullptr, &desc, DDLOCK_WAIT, nullptr))) return 0;
    int left = 0, top = 0, right = static_cast<int>(desc.dwWidth),
        bottom = static_cast<int>(desc.dwHeight);
    if (g_hasViewport) {
        left = std::max(left, static_cast<int>(g_viewport.left));
        top = std::max(top, static_cast<int>(g_viewport.top));
        right = std::min(right, static_cast<int>(g_viewport.right));
        bottom = std::min(bottom, static_cast<int>(g_viewport.bottom));
    }
    auto* pixels = static_cast<unsigned char*>(desc.lpSurface);
    const bool is565 = desc.ddpfPixelFormat.dwGBitMask == 0x07E0;
    const std::uint16_t white = is565 ? 0xFFFF : 0x7FFF;
    const std::uint16_t shadow = is565 ? 0x0841 : 0x0421;
    auto plot = [&](int px, int py, std::uint16_t colour) {
        if (px < left || py < top || px >= right || py >= bottom) return;
        auto* row =
            reinterpret_cast<std::uint16_t*>(pixels + static_cast<size_t>(py) * desc.lPitch);
        row[px] = colour;
    };
    int cx = x;
    for (const char* p = text; *p; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (c < 32 || c > 126) c = '?';
        const unsigned char* g = qvfont::kGlyphs[c - 32];
        // A dark shadow one pixel down and right, then the white glyph, so the text
        // reads on any background.
        for (int pass = 0; pass < 2; ++pass) {
            const int off = pass == 0 ? 1 : 0;
            for (int row = 0; row < qvfont::kGlyphHeight; ++row)
                for (int col = 0; col < qvfont::kGlyphWidth; ++col)
                    if (g[row] & (0x10 >> col))
                        for (int sy = 0; sy < qvfont::kScale; ++sy)
                            for (int sx = 0; sx < qvfont::kScale; ++sx)
                                plot(cx + col * qvfont::kScale + sx + off,
                                     y + row * qvfont::kScale + sy + off,
                                     pass == 0 ? shadow : white);
        }
        cx += qvfont::kAdvance;
    }
    back->Unlock(nullptr);
    return cx - x;
}

int QVInitMouse() {
    g_mouseReady = true;
    return 1;
}

int QVAcquireMouse(int acquire) {
    if (!g_mouseReady) return 0;
    g_mouseAcquired = acquire != 0;
    return 1;
}

void QVGetMouseData(int* x, int* y, int* buttons) {
    int bx = 0, by = 0, bits = 0;
    platform::mouseData(&bx, &by, &bits);
    if (x) *x = bx;
    if (y) *y = by;
    // Buttons belong to the program only while it holds the mouse.
    if (buttons) *buttons = g_mouseAcquired ? (bits & 3) : 0;
}

int QVInitKeyboard() {
    g_keyboardReady = true;
    return 1;
}

char* QVGetKeys() {
    if (!g_keyboardReady) return nullptr;
    // The state is read-only for the programs; the Windows-era signature is not const.
    return reinterpret_cast<char*>(const_cast<unsigned char*>(platform::keyboardState()));
}

int QVGetPadPress() {
    return g_keyboardReady ? platform::padTakePress() : -1;
}

void QVSetTextInput(int on) {
    platform::setTextInputWanted(on != 0);
}

void QVFreeDirectInput() {
    g_keyboardReady = false;
    g_mouseAcquired = false;
    g_mouseReady = false;
}

void QVFreeDirectX() {
    platform::displayClose();
    g_hasViewport = false;
    std::lock_guard lock(g_fpsMutex);
    g_frameTimes.clear();
}
