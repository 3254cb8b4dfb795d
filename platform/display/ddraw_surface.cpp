// DirectDraw surfaces on SDL surfaces: locks, device contexts, colour keys, palettes and
// descriptions, and DirectDraw's blit rules. A blit whose rectangles leave either surface is
// refused, as DirectDraw does without a clipper; a surface with a viewport (the back
// buffer) clips its destination instead. The copy itself is made in surface_copy.cpp.
#include "platform/display/ddraw_surface.h"

#include <algorithm>

#include "platform/display/ddraw_internal.h"

namespace platform {
namespace {

HDC__* surfaceDc() {
    return reinterpret_cast<HDC__*>(0xDC);
}

}  // namespace

bool rectInside(const RECT& r, int w, int h) {
    return r.left >= 0 && r.top >= 0 && r.right <= w && r.bottom <= h && r.left < r.right &&
           r.top < r.bottom;
}

std::uint64_t newContentStamp() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

SDL_Surface* newSdlSurface(int width, int height, Uint32 format) {
    if (width <= 0 || height <= 0 || width > 16384 || height > 16384) return nullptr;
    const int bits = SDL_BITSPERPIXEL(format);
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, width, height, bits, format);
    if (!s) return nullptr;
    if (format == SDL_PIXELFORMAT_INDEX8 && s->format->palette) {
        // A fresh 8-bit surface gets a grey ramp until a picture brings its own.
        SDL_Color grey[256];
        for (int i = 0; i < 256; ++i) grey[i] = SDL_Color{Uint8(i), Uint8(i), Uint8(i), 255};
        SDL_SetPaletteColors(s->format->palette, grey, 0, 256);
    }
    SDL_FillRect(s, nullptr, 0);
    return s;
}

Surface::Surface(SDL_Surface* s) : s_(s) {
    SDL_SetSurfaceBlendMode(s_, SDL_BLENDMODE_NONE);
    SDL_SetClipRect(s_, nullptr);
    if (s_->format->format == SDL_PIXELFORMAT_INDEX8) palette_ = new Palette(s_->format->palette);
    noteWritten(SDL_Rect{0, 0, s_->w, s_->h});
}

Surface::~Surface() {
    if (palette_) palette_->Release();
    SDL_FreeSurface(s_);
}

void Surface::setPalette(const PALETTEENTRY* entries, int count) {
    if (!s_->format->palette || count <= 0) return;
    count = std::min(count, 256);
    SDL_Color colours[256];
    for (int i = 0; i < count; ++i)
        colours[i] = SDL_Color{entries[i].peRed, entries[i].peGreen, entries[i].peBlue, 255};
    SDL_SetPaletteColors(s_->format->palette, colours, 0, count);
    if (palette_) palette_->Release();
    palette_ = new Palette(s_->format->palette);
}

void Surface::setViewport(const RECT* v) {
    hasViewport_ = v != nullptr;
    if (v) viewport_ = *v;
}

ULONG Surface::Release() {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
}

HRESULT Surface::Blt(LPRECT destRect, IDirectDrawSurface* srcIface, LPRECT srcRect, DWORD flags,
                     LPDDBLTFX fx) {
    if (locked_) return DDERR_SURFACEBUSY;
    RECT d = destRect ? *destRect : RECT{0, 0, s_->w, s_->h};
    if (flags & DDBLT_COLORFILL) {
        if (!fx) return DDERR_INVALIDPARAMS;
        RECT s{};
        if (!placeDest(d, nullptr, s)) return hasViewport_ ? DD_OK : DDERR_INVALIDRECT;
        SDL_Rect r{d.left, d.top, d.right - d.left, d.bottom - d.top};
        Uint32 value = fx->dwFillColor;
        if (s_->format->BytesPerPixel == 2) value &= 0xFFFF;
        if (s_->format->BytesPerPixel == 1) value &= 0xFF;
        return fillRect(r, value) ? DD_OK : DDERR_GENERIC;
    }
    auto* src = dynamic_cast<Surface*>(srcIface);
    if (!src) return DDERR_INVALIDPARAMS;
    if (src->locked_) return DDERR_SURFACEBUSY;
    RECT s = srcRect ? *srcRect : RECT{0, 0, src->s_->w, src->s_->h};
    if (!rectInside(s, src->s_->w, src->s_->h)) return DDERR_INVALIDRECT;
    if (!placeDest(d, &s, s)) return hasViewport_ ? DD_OK : DDERR_INVALIDRECT;
    const bool keyed = (flags & DDBLT_KEYSRC) != 0;
    return copy(*src, s, d, keyed);
}

HRESULT Surface::BltFast(DWORD x, DWORD y, IDirectDrawSurface* srcIface, LPRECT srcRect,
                         DWORD trans) {
    if (locked_) return DDERR_SURFACEBUSY;
    auto* src = dynamic_cast<Surface*>(srcIface);
    if (!src) return DDERR_INVALIDPARAMS;
    if (src->locked_) return DDERR_SURFACEBUSY;
    RECT s = srcRect ? *srcRect : RECT{0, 0, src->s_->w, src->s_->h};
    if (!rectInside(s, src->s_->w, src->s_->h)) return DDERR_INVALIDRECT;
    const LONG dx = static_cast<LONG>(x), dy = static_cast<LONG>(y);
    RECT d{dx, dy, dx + (s.right - s.left), dy + (s.bottom - s.top)};
    // BltFast never clips, not even to a viewport.
    if (!rectInside(d, s_->w, s_->h)) return DDERR_INVALIDRECT;
    return copy(*src, s, d, (trans & DDBLTFAST_SRCCOLORKEY) != 0);
}

HRESULT Surface::Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE) {
    if (!desc) return DDERR_INVALIDPARAMS;
    if (locked_) return DDERR_SURFACEBUSY;
    RECT r = rect ? *rect : RECT{0, 0, s_->w, s_->h};
    if (!rectInside(r, s_->w, s_->h)) return DDERR_INVALIDRECT;
    if (SDL_LockSurface(s_) != 0) return DDERR_GENERIC;
    locked_ = true;
    // Unless the lock is read-only, whatever is done through the pointer counts as written.
    if (!(flags & DDLOCK_READONLY))
        noteWritten(SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top});
    describe(desc);
    desc->dwFlags |= DDSD_LPSURFACE;
    desc->lpSurface = static_cast<char*>(s_->pixels) + static_cast<size_t>(r.top) * s_->pitch +
                      static_cast<size_t>(r.left) * s_->format->BytesPerPixel;
    return DD_OK;
}

HRESULT Surface::Unlock(LPVOID) {
    if (!locked_) return DDERR_NOTLOCKED;
    SDL_UnlockSurface(s_);
    locked_ = false;
    return DD_OK;
}

HRESULT Surface::GetDC(HDC* dc) {
    if (!dc) return DDERR_INVALIDPARAMS;
    if (dcTaken_ || locked_) return DDERR_SURFACEBUSY;
    dcTaken_ = true;
    *dc = surfaceDc();
    return DD_OK;
}

HRESULT Surface::ReleaseDC(HDC dc) {
    if (!dcTaken_ || dc != surfaceDc()) return DDERR_INVALIDPARAMS;
    dcTaken_ = false;
    return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(LPDDSURFACEDESC desc) {
    if (!desc) return DDERR_INVALIDPARAMS;
    describe(desc);
    return DD_OK;
}

HRESULT Surface::SetColorKey(DWORD flags, LPDDCOLORKEY key) {
    if (!(flags & DDCKEY_SRCBLT)) return DDERR_INVALIDPARAMS;
    hasKey_ = key != nullptr;
    key_ = key ? key->dwColorSpaceLowValue : 0;
    return DD_OK;
}

HRESULT Surface::GetColorKey(DWORD flags, LPDDCOLORKEY key) {
    if (!(flags & DDCKEY_SRCBLT) || !key) return DDERR_INVALIDPARAMS;
    if (!hasKey_) return DDERR_NOCOLORKEY;
    key->dwColorSpaceLowValue = key->dwColorSpaceHighValue = key_;
    return DD_OK;
}

HRESULT Surface::GetPalette(IDirectDrawPalette** out) {
    if (!out) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (!palette_) return DDERR_NOPALETTEATTACHED;
    palette_->AddRef();
    *out = palette_;
    return DD_OK;
}

HRESULT Surface::GetPixelFormat(LPDDPIXELFORMAT format) {
    if (!format) return DDERR_INVALIDPARAMS;
    DDSURFACEDESC d{};
    describe(&d);
    *format = d.ddpfPixelFormat;
    return DD_OK;
}

void Surface::describe(LPDDSURFACEDESC desc) const {
    std::memset(desc, 0, sizeof *desc);
    desc->dwSize = sizeof *desc;
    desc->dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(s_->w);
    desc->dwHeight = static_cast<DWORD>(s_->h);
    desc->lPitch = s_->pitch;
    desc->ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    if (hasKey_) {
        desc->dwFlags |= DDSD_CKSRCBLT;
        desc->ddckCKSrcBlt.dwColorSpaceLowValue = key_;
        desc->ddckCKSrcBlt.dwColorSpaceHighValue = key_;
    }
    DDPIXELFORMAT& pf = desc->ddpfPixelFormat;
    pf.dwSize = sizeof pf;
    pf.dwRGBBitCount = s_->format->BitsPerPixel == 15 ? 16 : s_->format->BitsPerPixel;
    if (s_->format->format == SDL_PIXELFORMAT_INDEX8) {
        pf.dwFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
        pf.dwRGBBitCount = 8;
    } else {
        pf.dwFlags = DDPF_RGB;
        pf.dwRBitMask = s_->format->Rmask;
        pf.dwGBitMask = s_->format->Gmask;
        pf.dwBBitMask = s_->format->Bmask;
    }
}

// Fits the destination rectangle: with a viewport it is clipped to it (and the
// source, when given, cut in proportion); without, it must lie inside the surface.
bool Surface::placeDest(RECT& d, const RECT* srcIn, RECT& srcOut) const {
    if (!hasViewport_) return rectInside(d, s_->w, s_->h);
    if (d.left >= d.right || d.top >= d.bottom) return false;
    RECT v = viewport_;
    v.left = std::max<LONG>(v.left, 0);
    v.top = std::max<LONG>(v.top, 0);
    v.right = std::min<LONG>(v.right, s_->w);
    v.bottom = std::min<LONG>(v.bottom, s_->h);
    RECT c{std::max(d.left, v.left), std::max(d.top, v.top), std::min(d.right, v.right),
           std::min(d.bottom, v.bottom)};
    if (c.left >= c.right || c.top >= c.bottom) return false;
    if (srcIn) {
        const RECT s = *srcIn;
        const double kx = static_cast<double>(s.right - s.left) / (d.right - d.left);
        const double ky = static_cast<double>(s.bottom - s.top) / (d.bottom - d.top);
        srcOut.left = s.left + static_cast<LONG>((c.left - d.left) * kx);
        srcOut.top = s.top + static_cast<LONG>((c.top - d.top) * ky);
        srcOut.right = s.right - static_cast<LONG>((d.right - c.right) * kx);
        srcOut.bottom = s.bottom - static_cast<LONG>((d.bottom - c.bottom) * ky);
        if (srcOut.left >= srcOut.right || srcOut.top >= srcOut.bottom) return false;
    }
    d = c;
    return true;
}

bool Surface::fillRect(const SDL_Rect& r, Uint32 value) {
    const bool lock = SDL_MUSTLOCK(s_);
    if (lock && SDL_LockSurface(s_) != 0) return false;
    noteWritten(r);
    const bool ok = SDL_FillRect(s_, &r, value) == 0;
    if (lock) SDL_UnlockSurface(s_);
    return ok;
}

// Every change of the pixels goes through here: it is remembered for presenting.
void Surface::noteWritten(const SDL_Rect& r) {
    written_.add(r);
    contentsChanged(r);
}

// The pixels in r changed: the opaque runs no longer hold, the surface's contents are new
// as a source, and no blit that covers r can be taken as already done.
void Surface::contentsChanged(const SDL_Rect& r) {
    if (runsValid_) ++runsDiscarded_;
    runsValid_ = false;
    keyedCopiesSinceWrite_ = 0;
    stamp_ = newContentStamp();
    std::erase_if(done_, [&](const DoneBlit& b) { return SDL_HasIntersection(&b.dr, &r); });
}

IDirectDrawSurface* surfaceFromSdl(SDL_Surface* pixels) {
    return pixels ? new Surface(pixels) : nullptr;
}

IDirectDrawSurface* surfaceCreate565(int width, int height) {
    return surfaceFromSdl(newSdlSurface(width, height, SDL_PIXELFORMAT_RGB565));
}

SDL_Surface* surfaceSdl(IDirectDrawSurface* surface) {
    auto* s = dynamic_cast<Surface*>(surface);
    return s ? s->sdl() : nullptr;
}

int surfaceTakeWritten(IDirectDrawSurface* surface, SDL_Rect* out) {
    auto* s = dynamic_cast<Surface*>(surface);
    return s ? s->takeWritten(out) : 0;
}

void surfaceSetPalette(IDirectDrawSurface* surface, const PALETTEENTRY* entries, int count) {
    if (auto* s = dynamic_cast<Surface*>(surface); s && entries) s->setPalette(entries, count);
}

void surfaceSetViewport(IDirectDrawSurface* surface, const RECT* viewport) {
    if (auto* s = dynamic_cast<Surface*>(surface)) s->setViewport(viewport);
}

}  // namespace platform
