#include "framework/surface_utils.h"

#include <algorithm>

#include "qv/qv.h"

namespace {

// Clips a run of n pixels copied from source offset s to destination offset d
// so that it stays inside both surfaces; false when nothing is left.
bool clipRun(int& s, int& d, int& n, int sourceSize, int destinationSize) {
    if (d < 0) {
        s -= d;
        n += d;
        d = 0;
    }
    if (s < 0) {
        d -= s;
        n += s;
        s = 0;
    }
    if (d + n > destinationSize) n = destinationSize - d;
    if (s + n > sourceSize) n = sourceSize - s;
    return n > 0;
}

void keyedCopy(IDirectDrawSurface* source, int sx, int sy, int width, int height,
               IDirectDrawSurface* destination, int dx, int dy) {
    if (!source || !destination) return;
    int sw = 0, sh = 0, dw = 0, dh = 0;
    getSurfaceSize(source, &sw, &sh);
    getSurfaceSize(destination, &dw, &dh);
    int w = width, h = height;
    if (!clipRun(sx, dx, w, sw, dw) || !clipRun(sy, dy, h, sh, dh)) return;
    RECT from{sx, sy, sx + w, sy + h};
    RECT to{dx, dy, dx + w, dy + h};
    destination->Blt(&to, source, &from, DDBLT_WAIT | DDBLT_KEYSRC, nullptr);
}

}  // namespace

void getSurfaceSize(IDirectDrawSurface* surface, int* width, int* height) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT;
    int w = 0, h = 0;
    if (surface && SUCCEEDED(surface->GetSurfaceDesc(&desc))) {
        w = static_cast<int>(desc.dwWidth);
        h = static_cast<int>(desc.dwHeight);
    }
    if (width) *width = w;
    if (height) *height = h;
}

unsigned colourValue(IDirectDrawSurface* surface, int r, int g, int b) {
    DDPIXELFORMAT format{};
    format.dwSize = sizeof format;
    if (!surface || FAILED(surface->GetPixelFormat(&format))) return 0;
    int rb = 0, gb = 0, bb = 0, ab = 0;
    QVGetRGBABits(&format, &rb, &gb, &bb, &ab);
    auto channel = [](int value, int bits) -> unsigned {
        if (bits <= 0) return 0;
        const unsigned v = static_cast<unsigned>(value) & 0xFFu;
        return bits >= 8 ? v : v >> (8 - bits);
    };
    const unsigned value = (channel(r, rb) << (gb + bb)) | (channel(g, gb) << bb) | channel(b, bb);
    return value & 0xFFFFu;
}

void setColourKey(IDirectDrawSurface* surface, int r, int g, int b) {
    if (!surface) return;
    const DWORD value = colourValue(surface, r, g, b);
    DDCOLORKEY key{value, value};
    surface->SetColorKey(DDCKEY_SRCBLT, &key);
}

int getPixel(IDirectDrawSurface* surface, int x, int y) {
    if (!surface) return -1;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    // Read-only: looking at a pixel does not count as drawing on the picture.
    if (FAILED(surface->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_READONLY, nullptr)) ||
        !desc.lpSurface)
        return -1;
    int value = -1;
    if (x >= 0 && y >= 0 && x < static_cast<int>(desc.dwWidth) &&
        y < static_cast<int>(desc.dwHeight)) {
        if (desc.ddpfPixelFormat.dwRGBBitCount == 8) {
            value = static_cast<const std::uint8_t*>(desc.lpSurface)[y * desc.lPitch + x];
        } else {
            value = static_cast<const std::uint16_t*>(desc.lpSurface)[y * (desc.lPitch / 2) + x];
        }
    }
    surface->Unlock(nullptr);
    return value;
}

void* lockSurface(IDirectDrawSurface* surface, DDSURFACEDESC* desc) {
    if (!surface) return nullptr;
    DDSURFACEDESC local{};
    local.dwSize = sizeof local;
    if (FAILED(surface->Lock(nullptr, &local, DDLOCK_WAIT, nullptr))) return nullptr;
    if (desc) *desc = local;
    return local.lpSurface;
}

void unlockSurface(IDirectDrawSurface* surface) {
    if (surface) surface->Unlock(nullptr);
}

IDirectDrawSurface* createSurface(int width, int height) {
    IDirectDraw* dd = QVGetLPDD();
    if (!dd || width <= 0 || height <= 0) return nullptr;
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
    desc.dwWidth = static_cast<DWORD>(width);
    desc.dwHeight = static_cast<DWORD>(height);
    desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
    IDirectDrawSurface* surface = nullptr;
    if (FAILED(dd->CreateSurface(&desc, &surface, nullptr)) || !surface) return nullptr;
    setColourKey(surface, 0, 0, 0);
    return surface;
}

void fillSurface(IDirectDrawSurface* surface, unsigned value) {
    if (!surface) return;
    DDBLTFX fx{};
    fx.dwSize = sizeof fx;
    fx.dwFillColor = value & 0xFFFFu;
    surface->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

void centreRect(IDirectDrawSurface* surface, int x, int y, int w, int h, RECT* out) {
    if (!out) return;
    int sw = 0, sh = 0;
    getSurfaceSize(surface, &sw, &sh);
    out->left = x + w / 2 - sw / 2;
    out->top = y + h / 2 - sh / 2;
    out->right = out->left + sw;
    out->bottom = out->top + sh;
}

int splitIntoTiles(IDirectDrawSurface* source, PtrArray* tiles, int tileWidth, int tileHeight,
                   int* columnsOut) {
    // A tile size of zero (a strip narrower than its tile count) yields no tiles.
    if (!source || !tiles || tileWidth <= 0 || tileHeight <= 0) {
        if (columnsOut) *columnsOut = 0;
        return 0;
    }
    int w = 0, h = 0;
    getSurfaceSize(source, &w, &h);
    const int columns = w / tileWidth;
    const int rows = h / tileHeight;
    if (columnsOut) *columnsOut = columns;
    for (int i = 0; i < columns * rows; ++i) {
        IDirectDrawSurface* tile = createSurface(tileWidth, tileHeight);
        if (!tile) return 0;
        setColourKey(tile, 0, 0, 255);
        tiles->add(tile);
        const int left = tileWidth * (i % columns);
        const int top = tileHeight * (i / columns);
        RECT from{left, top, left + tileWidth, top + tileHeight};
        tile->Blt(nullptr, source, &from, DDBLT_WAIT, nullptr);
    }
    return 1;
}

int splitFileIntoTiles(const char* file, PtrArray* tiles, int tileWidth, int tileHeight,
                       int* columnsOut) {
    if (!file) return 0;
    IDirectDrawSurface* bitmap = QVLoadBitmap(file);
    if (!bitmap) return 0;
    const int result = splitIntoTiles(bitmap, tiles, tileWidth, tileHeight, columnsOut);
    // The tiles are copies, so the bitmap is released whether or not every tile
    // was made.
    bitmap->Release();
    return result;
}

void blitAt(IDirectDrawSurface* source, IDirectDrawSurface* destination, int x, int y) {
    if (!source || !destination) return;
    int sw = 0, sh = 0;
    getSurfaceSize(source, &sw, &sh);
    keyedCopy(source, 0, 0, sw, sh, destination, x, y);
}

void blitRegion(IDirectDrawSurface* source, int sx, int sy, int width, int height,
                IDirectDrawSurface* destination, int dx, int dy) {
    keyedCopy(source, sx, sy, width, height, destination, dx, dy);
}
