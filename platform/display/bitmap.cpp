// Windows BMP files into surfaces. The header is checked here before SDL's reader sees
// the bytes, so that lying sizes and offsets are refused instead of read past.
#include <SDL.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/display/ddraw_internal.h"
#include "platform/display/display.h"
#include "platform/storage/regular_file.h"

namespace platform {
std::string resolvePath(const char* windowsPath);
}

namespace platform {
namespace {

constexpr std::int64_t kMaxSide = 16384;
// No picture of the programs comes near this (the largest is 800 x 600); a bigger one
// would cost its size in memory several times over, so it is refused before any of that.
constexpr std::int64_t kMaxPixels = 4 << 20;
// Four bytes a pixel at most, and room for headers and a palette.
constexpr size_t kMaxFileBytes = static_cast<size_t>(kMaxPixels) * 4 + (64u << 10);

std::uint32_t u32(const std::vector<unsigned char>& b, size_t at) {
    return static_cast<std::uint32_t>(b[at]) | static_cast<std::uint32_t>(b[at + 1]) << 8 |
           static_cast<std::uint32_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint16_t u16(const std::vector<unsigned char>& b, size_t at) {
    return static_cast<std::uint16_t>(b[at] | b[at + 1] << 8);
}

}  // namespace

// True when the bytes form a BMP that the loader can read without going past its end.
bool bitmapHeaderSane(const std::vector<unsigned char>& b) {
    if (b.size() < 14 + 12 || b[0] != 'B' || b[1] != 'M') return false;
    const std::uint32_t offBits = u32(b, 10);
    const std::uint32_t infoSize = u32(b, 14);
    if (infoSize != 12 && infoSize != 40 && infoSize != 52 && infoSize != 56 && infoSize != 108 &&
        infoSize != 124)
        return false;
    if (14 + static_cast<size_t>(infoSize) > b.size()) return false;
    std::int64_t width, height;
    unsigned planes, bpp;
    std::uint32_t compression = 0, colours = 0;
    if (infoSize == 12) {
        width = u16(b, 18);
        height = static_cast<std::int16_t>(u16(b, 20));
        planes = u16(b, 22);
        bpp = u16(b, 24);
    } else {
        width = static_cast<std::int32_t>(u32(b, 18));
        height = static_cast<std::int32_t>(u32(b, 22));
        planes = u16(b, 26);
        bpp = u16(b, 28);
        compression = u32(b, 30);
        colours = u32(b, 46);
    }
    if (height < 0) height = -height;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide || planes != 1)
        return false;
    if (width * height > kMaxPixels) return false;
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) return false;
    // Plain pixels, or bit fields for 16 and 32 bits; run-length pictures are refused.
    if (compression != 0 && !(compression == 3 && (bpp == 16 || bpp == 32))) return false;
    if (compression == 3 && infoSize == 40 && 14 + 40 + 12 > b.size()) return false;
    if (bpp <= 8) {
        const std::uint32_t maxColours = 1u << bpp;
        if (colours > maxColours) return false;
        const std::uint32_t used = colours ? colours : maxColours;
        const size_t entry = infoSize == 12 ? 3 : 4;
        if (14 + infoSize + used * entry > b.size()) return false;
    }
    if (offBits < 14 + infoSize || offBits >= b.size()) return false;
    const std::uint64_t rowBytes = ((static_cast<std::uint64_t>(width) * bpp + 31) / 32) * 4;
    return rowBytes * static_cast<std::uint64_t>(height) <= b.size() - offBits;
}

IDirectDrawSurface* loadBitmapSurface(const char* path, int depth) {
    if (!path || !*path) return nullptr;
    std::vector<unsigned char> bytes;
    if (!readRegularFile(resolvePath(path), bytes, kMaxFileBytes) || !bitmapHeaderSane(bytes))
        return nullptr;
    SDL_RWops* rw = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!rw) return nullptr;
    SDL_Surface* loaded = SDL_LoadBMP_RW(rw, 1);
    if (!loaded) return nullptr;
    SDL_Surface* out = nullptr;
    if (depth == 8 && loaded->format->format == SDL_PIXELFORMAT_INDEX8) {
        out = SDL_ConvertSurface(loaded, loaded->format, 0);
    } else {
        out = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB565, 0);
    }
    SDL_FreeSurface(loaded);
    if (!out) return nullptr;
    SDL_SetColorKey(out, SDL_FALSE, 0);
    return surfaceFromSdl(out);
}

}  // namespace platform
