// DirectDraw on SDL surfaces: off-screen plain surfaces with DirectDraw's blit rules.
// A blit whose rectangles leave either surface is refused, as DirectDraw does without a
// clipper; a surface with a viewport (the back buffer) clips its destination instead.
#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/ddraw_internal.h"
#include "platform/faults.h"
#include "platform/written_region.h"

// GCC builds the keyed row loop vectorised even where the build type does not ask for it;
// other compilers decide for themselves.
#if defined(__GNUC__) && !defined(__clang__)
#define KEYED_ROW_VECTORISED [[gnu::optimize("tree-vectorize")]]
#else
#define KEYED_ROW_VECTORISED
#endif

namespace platform {
namespace {

HDC__* surfaceDc() {
    return reinterpret_cast<HDC__*>(0xDC);
}

class Palette final : public IDirectDrawPalette {
public:
    explicit Palette(const SDL_Palette* p) {
        std::memset(entries_, 0, sizeof entries_);
        if (!p) return;
        for (int i = 0; i < p->ncolors && i < 256; ++i)
            entries_[i] = PALETTEENTRY{p->colors[i].r, p->colors[i].g, p->colors[i].b, 0};
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }
    HRESULT GetEntries(DWORD, DWORD base, DWORD count, PALETTEENTRY* out) override {
        if (!out || base > 256 || count > 256 - base) return DDERR_INVALIDPARAMS;
        std::memcpy(out, entries_ + base, count * sizeof(PALETTEENTRY));
        return DD_OK;
    }

private:
    ~Palette() override = default;
    std::atomic<ULONG> refs_{1};
    PALETTEENTRY entries_[256];
};

bool rectInside(const RECT& r, int w, int h) {
    return r.left >= 0 && r.top >= 0 && r.right <= w && r.bottom <= h && r.left < r.right &&
           r.top < r.bottom;
}

bool sameRect(const SDL_Rect& a, const SDL_Rect& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

// Stamps for the contents of surfaces, unique across all surfaces of the process: a stamp
// seen once never names other pixels, even on a surface made later at the same address.
std::uint64_t newContentStamp() {
    static std::atomic<std::uint64_t> last{0};
    return ++last;
}

class Surface final : public IDirectDrawSurface {
public:
    explicit Surface(SDL_Surface* s) : s_(s) {
        SDL_SetSurfaceBlendMode(s_, SDL_BLENDMODE_NONE);
        SDL_SetClipRect(s_, nullptr);
        if (s_->format->format == SDL_PIXELFORMAT_INDEX8)
            palette_ = new Palette(s_->format->palette);
        noteWritten(SDL_Rect{0, 0, s_->w, s_->h});
    }

    SDL_Surface* sdl() const { return s_; }
    void setPalette(const PALETTEENTRY* entries, int count) {
        if (!s_->format->palette || count <= 0) return;
        count = std::min(count, 256);
        SDL_Color colours[256];
        for (int i = 0; i < count; ++i)
            colours[i] = SDL_Color{entries[i].peRed, entries[i].peGreen, entries[i].peBlue, 255};
        SDL_SetPaletteColors(s_->format->palette, colours, 0, count);
        if (palette_) palette_->Release();
        palette_ = new Palette(s_->format->palette);
    }
    int takeWritten(SDL_Rect* out) { return written_.take(out); }
    // The pixels in r were changed from outside the surface's own calls (presenting copies
    // onto the front buffer); they are not counted as written.
    void changedOutside(const SDL_Rect& r) { contentsChanged(r); }
    void setViewport(const RECT* v) {
        hasViewport_ = v != nullptr;
        if (v) viewport_ = *v;
    }

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT Blt(LPRECT destRect, IDirectDrawSurface* srcIface, LPRECT srcRect, DWORD flags,
                LPDDBLTFX fx) override {
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

    HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface* srcIface, LPRECT srcRect,
                    DWORD trans) override {
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

    HRESULT Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE) override {
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

    HRESULT Unlock(LPVOID) override {
        if (!locked_) return DDERR_NOTLOCKED;
        SDL_UnlockSurface(s_);
        locked_ = false;
        return DD_OK;
    }

    HRESULT GetDC(HDC* dc) override {
        if (!dc) return DDERR_INVALIDPARAMS;
        if (dcTaken_ || locked_) return DDERR_SURFACEBUSY;
        dcTaken_ = true;
        *dc = surfaceDc();
        return DD_OK;
    }

    HRESULT ReleaseDC(HDC dc) override {
        if (!dcTaken_ || dc != surfaceDc()) return DDERR_INVALIDPARAMS;
        dcTaken_ = false;
        return DD_OK;
    }

    HRESULT GetSurfaceDesc(LPDDSURFACEDESC desc) override {
        if (!desc) return DDERR_INVALIDPARAMS;
        describe(desc);
        return DD_OK;
    }

    HRESULT SetColorKey(DWORD flags, LPDDCOLORKEY key) override {
        if (!(flags & DDCKEY_SRCBLT)) return DDERR_INVALIDPARAMS;
        hasKey_ = key != nullptr;
        key_ = key ? key->dwColorSpaceLowValue : 0;
        return DD_OK;
    }

    HRESULT GetColorKey(DWORD flags, LPDDCOLORKEY key) override {
        if (!(flags & DDCKEY_SRCBLT) || !key) return DDERR_INVALIDPARAMS;
        if (!hasKey_) return DDERR_NOCOLORKEY;
        key->dwColorSpaceLowValue = key->dwColorSpaceHighValue = key_;
        return DD_OK;
    }

    HRESULT GetPalette(IDirectDrawPalette** out) override {
        if (!out) return DDERR_INVALIDPARAMS;
        *out = nullptr;
        if (!palette_) return DDERR_NOPALETTEATTACHED;
        palette_->AddRef();
        *out = palette_;
        return DD_OK;
    }

    HRESULT GetPixelFormat(LPDDPIXELFORMAT format) override {
        if (!format) return DDERR_INVALIDPARAMS;
        DDSURFACEDESC d{};
        describe(&d);
        *format = d.ddpfPixelFormat;
        return DD_OK;
    }

    HRESULT IsLost() override { return DD_OK; }
    HRESULT Restore() override { return DD_OK; }

private:
    ~Surface() override {
        if (palette_) palette_->Release();
        SDL_FreeSurface(s_);
    }

    void describe(LPDDSURFACEDESC desc) const {
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
    bool placeDest(RECT& d, const RECT* srcIn, RECT& srcOut) const {
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

    bool fillRect(const SDL_Rect& r, Uint32 value) {
        const bool lock = SDL_MUSTLOCK(s_);
        if (lock && SDL_LockSurface(s_) != 0) return false;
        noteWritten(r);
        const bool ok = SDL_FillRect(s_, &r, value) == 0;
        if (lock) SDL_UnlockSurface(s_);
        return ok;
    }

    // Surfaces are never run-length encoded: SDL re-encodes an encoded source whenever it
    // is blitted to another destination than the last or written to, which costs more than
    // the plain keyed copy below saves (a button drawn to the back buffer and the working
    // background in turn would be encoded twice a frame).
    //
    // Keeps SDL's key state as this blit needs it, changed only when it differs.
    void useKey(bool keyed) {
        const bool want = keyed && hasKey_;
        if (want == sdlKeyed_ && (!want || sdlKey_ == key_)) return;
        if (want) {
            SDL_SetColorKey(s_, SDL_TRUE, key_);
        } else {
            SDL_SetColorKey(s_, SDL_FALSE, 0);
            SDL_SetSurfaceRLE(s_, 0);
        }
        sdlKeyed_ = want;
        sdlKey_ = key_;
    }

    // Keyed copy between two 16-bit surfaces that are not encoded: a select per pixel
    // that the compiler vectorises, several times faster than SDL's unencoded keyed blit.
    // One row: every source pixel that is not the key replaces the destination's. Built
    // with vectorisation on (a select over 8 or 16 pixels at a time).
    KEYED_ROW_VECTORISED static void keyedRow16(const std::uint16_t* __restrict in,
                                                std::uint16_t* __restrict out, int n,
                                                std::uint16_t key) {
        for (int x = 0; x < n; ++x) out[x] = in[x] == key ? out[x] : in[x];
    }

    void keyedCopy16(Surface& src, const SDL_Rect& sr, const SDL_Rect& dr) {
        const auto key = static_cast<std::uint16_t>(src.key_);
        const OpaqueRuns* runs = src.opaqueRuns();
        for (int y = 0; y < sr.h; ++y) {
            const int row = sr.y + y;
            const auto* in =
                reinterpret_cast<const std::uint16_t*>(static_cast<const char*>(src.s_->pixels) +
                                                       static_cast<size_t>(row) * src.s_->pitch);
            auto* out =
                reinterpret_cast<std::uint16_t*>(static_cast<char*>(s_->pixels) +
                                                 static_cast<size_t>(dr.y + y) * s_->pitch) +
                dr.x - sr.x;
            if (!runs || runs->rowBegin[row] < 0) {
                keyedRow16(in + sr.x, out + sr.x, sr.w, key);
                continue;
            }
            // Only the row's opaque runs, cut to the source rectangle.
            const int end = sr.x + sr.w;
            for (int i = runs->rowBegin[row]; i < runs->rowEnd[row]; ++i) {
                const int from = std::max<int>(runs->runs[i].x, sr.x);
                const int to = std::min<int>(runs->runs[i].x + runs->runs[i].n, end);
                if (from < to)
                    std::memcpy(out + from, in + from, static_cast<size_t>(to - from) * 2);
            }
        }
    }

    // The opaque runs of each row of a keyed 16-bit surface. A row with many short runs is
    // marked -1 and copied with the per-pixel select instead.
    struct OpaqueRuns {
        struct Run {
            std::uint16_t x, n;
        };
        // Row y's runs are runs[rowBegin[y]] up to runs[rowEnd[y]]; rowBegin[y] < 0: none
        // kept, copy the row pixel by pixel.
        std::vector<int> rowBegin, rowEnd;
        std::vector<Run> runs;
    };

    // Runs for this surface as a keyed source: made on its second keyed copy since it was
    // last written (so that a surface drawn on between copies never pays for them), kept
    // until it is written again or its key changes. Pictures are written once and copied
    // often; a surface drawn on every frame (a background) soon stops making runs. Null
    // while there are none.
    const OpaqueRuns* opaqueRuns() {
        if (runsValid_ && runsKey_ == key_) return &runs_;
        // A surface whose runs were thrown away twice is drawn on too often to keep them.
        if (runsDiscarded_ >= 2 || ++keyedCopiesSinceWrite_ < 2) return nullptr;
        const auto key = static_cast<std::uint16_t>(key_);
        runs_.rowBegin.assign(static_cast<size_t>(s_->h), 0);
        runs_.rowEnd.assign(static_cast<size_t>(s_->h), 0);
        runs_.runs.clear();
        for (int y = 0; y < s_->h; ++y) {
            const auto* p = reinterpret_cast<const std::uint16_t*>(
                static_cast<const char*>(s_->pixels) + static_cast<size_t>(y) * s_->pitch);
            const int first = static_cast<int>(runs_.runs.size());
            for (int x = 0; x < s_->w;) {
                while (x < s_->w && p[x] == key) ++x;
                const int start = x;
                while (x < s_->w && p[x] != key) ++x;
                if (x > start)
                    runs_.runs.push_back(
                        {static_cast<std::uint16_t>(start), static_cast<std::uint16_t>(x - start)});
            }
            const bool fragmented = static_cast<int>(runs_.runs.size()) - first > s_->w / 16 + 1;
            if (fragmented) runs_.runs.resize(static_cast<size_t>(first));
            runs_.rowBegin[y] = fragmented ? -1 : first;
            runs_.rowEnd[y] = static_cast<int>(runs_.runs.size());
        }
        runsValid_ = true;
        runsKey_ = key_;
        return &runs_;
    }

    // Every change of the pixels goes through here: it is remembered for presenting.
    void noteWritten(const SDL_Rect& r) {
        written_.add(r);
        contentsChanged(r);
    }

    // The pixels in r changed: the opaque runs no longer hold, the surface's contents are new
    // as a source, and no blit that covers r can be taken as already done.
    void contentsChanged(const SDL_Rect& r) {
        if (runsValid_) ++runsDiscarded_;
        runsValid_ = false;
        keyedCopiesSinceWrite_ = 0;
        stamp_ = newContentStamp();
        std::erase_if(done_, [&](const DoneBlit& b) { return SDL_HasIntersection(&b.dr, &r); });
    }

    // A copy onto this surface repeats one already done when the source still holds the
    // same pixels (same stamp) and key, the rectangles are the same, and nothing has been
    // written over its destination since: a keyed or plain copy done again onto its own
    // result changes no pixel, so it is skipped. The screens redraw their buttons every
    // frame; at rest each such redraw costs this look-up instead of a copy and a compare.
    struct DoneBlit {
        const Surface* src;
        std::uint64_t srcStamp;
        bool keyed;
        DWORD key;
        SDL_Rect sr, dr;
    };
    // Room for all a screen redraws each frame (the title screen: nine buttons and the
    // letters of eight names); beyond it the oldest are forgotten.
    static constexpr std::size_t kDoneBlitsMax = 128;

    bool alreadyDone(const Surface& src, const SDL_Rect& sr, const SDL_Rect& dr, bool keyed) const {
        for (const DoneBlit& b : done_)
            if (b.src == &src && sameRect(b.dr, dr) && sameRect(b.sr, sr) &&
                b.srcStamp == src.stamp_ && b.keyed == keyed && (!keyed || b.key == src.key_))
                return true;
        return false;
    }

    void rememberDone(const Surface& src, const SDL_Rect& sr, const SDL_Rect& dr, bool keyed) {
        if (done_.size() >= kDoneBlitsMax) done_.erase(done_.begin());
        done_.push_back(DoneBlit{&src, src.stamp_, keyed, src.key_, sr, dr});
    }

    HRESULT copy(Surface& src, const RECT& s, const RECT& d, bool keyed) {
        SDL_Rect sr{s.left, s.top, s.right - s.left, s.bottom - s.top};
        SDL_Rect dr{d.left, d.top, d.right - d.left, d.bottom - d.top};
        // Unscaled copies between two distinct surfaces of one 16-bit format depend on
        // nothing but the pixels and the key, so a repeat of one can be recognised.
        const bool keyedByKey = keyed && src.hasKey_;
        const bool repeatable = &src != this && sr.w == dr.w && sr.h == dr.h &&
                                src.s_->format->format == s_->format->format &&
                                s_->format->BytesPerPixel == 2;
        if (repeatable && alreadyDone(src, sr, dr, keyedByKey)) return DD_OK;
        noteWritten(dr);
        if (&src == this) {
            // Overlapping copy within one surface: go through a copy of the source part.
            SDL_Surface* tmp = SDL_CreateRGBSurfaceWithFormat(
                0, sr.w, sr.h, s_->format->BitsPerPixel, s_->format->format);
            if (!tmp) return DDERR_OUTOFMEMORY;
            if (s_->format->palette) SDL_SetSurfacePalette(tmp, s_->format->palette);
            useKey(false);
            int rc = SDL_BlitSurface(s_, &sr, tmp, nullptr);
            if (keyed && hasKey_) SDL_SetColorKey(tmp, SDL_TRUE, key_);
            SDL_Rect whole{0, 0, sr.w, sr.h};
            if (rc == 0)
                rc = (sr.w == dr.w && sr.h == dr.h) ? SDL_BlitSurface(tmp, &whole, s_, &dr)
                                                    : SDL_BlitScaled(tmp, &whole, s_, &dr);
            SDL_FreeSurface(tmp);
            return rc == 0 ? DD_OK : DDERR_GENERIC;
        }
        if (keyed && src.hasKey_ && sr.w == dr.w && sr.h == dr.h &&
            src.s_->format->format == s_->format->format && s_->format->BytesPerPixel == 2 &&
            !SDL_MUSTLOCK(src.s_) && !SDL_MUSTLOCK(s_)) {
            keyedCopy16(src, sr, dr);
            if (repeatable) rememberDone(src, sr, dr, keyedByKey);
            return DD_OK;
        }
        src.useKey(keyed);
        int rc = (sr.w == dr.w && sr.h == dr.h) ? SDL_BlitSurface(src.s_, &sr, s_, &dr)
                                                : SDL_BlitScaled(src.s_, &sr, s_, &dr);
        if (rc == 0 && repeatable) rememberDone(src, sr, dr, keyedByKey);
        return rc == 0 ? DD_OK : DDERR_GENERIC;
    }

    SDL_Surface* s_;
    std::atomic<ULONG> refs_{1};
    bool locked_ = false;
    bool dcTaken_ = false;
    bool hasKey_ = false;
    DWORD key_ = 0;
    bool sdlKeyed_ = false;
    DWORD sdlKey_ = 0;
    bool hasViewport_ = false;
    RECT viewport_{};
    Palette* palette_ = nullptr;
    WrittenRegion written_;
    OpaqueRuns runs_;
    bool runsValid_ = false;
    DWORD runsKey_ = 0;
    int keyedCopiesSinceWrite_ = 0;
    int runsDiscarded_ = 0;
    std::uint64_t stamp_ = newContentStamp();
    std::vector<DoneBlit> done_;  // oldest first
};

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

class DirectDraw final : public IDirectDraw {
public:
    // The display's own object is never deleted: a program that releases what
    // QVGetLPDD gave it must not pull it from under the display.
    explicit DirectDraw(bool immortal = false) : immortal_(immortal) {}

    HRESULT QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_INVALIDARG;
        *object = nullptr;
        if (iid == IID_IDirectDraw7) {
            if (faultActive("directdraw7")) return E_NOINTERFACE;
        } else if (!(iid == IID_IDirectDraw)) {
            return E_NOINTERFACE;
        }
        AddRef();
        *object = static_cast<IDirectDraw*>(this);
        return S_OK;
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        if (immortal_) return refs_ > 1 ? --refs_ : ULONG{1};
        ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT CreateSurface(LPDDSURFACEDESC desc, IDirectDrawSurface** out, void*) override {
        if (!desc || !out) return DDERR_INVALIDPARAMS;
        *out = nullptr;
        if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT))
            return DDERR_INVALIDPARAMS;
        if (faultActive("create-surface")) return DDERR_OUTOFMEMORY;
        Uint32 format = SDL_PIXELFORMAT_RGB565;
        if (desc->dwFlags & DDSD_PIXELFORMAT) {
            const DDPIXELFORMAT& pf = desc->ddpfPixelFormat;
            if (pf.dwFlags & DDPF_PALETTEINDEXED8)
                format = SDL_PIXELFORMAT_INDEX8;
            else if (pf.dwRGBBitCount == 16 && pf.dwGBitMask == 0x03E0)
                format = SDL_PIXELFORMAT_RGB555;
            else if (pf.dwRGBBitCount == 16 && pf.dwGBitMask == 0x07E0)
                format = SDL_PIXELFORMAT_RGB565;
            else
                return DDERR_INVALIDPIXELFORMAT;
        }
        SDL_Surface* s = newSdlSurface(static_cast<int>(desc->dwWidth),
                                       static_cast<int>(desc->dwHeight), format);
        if (!s) return DDERR_INVALIDPARAMS;
        *out = surfaceFromSdl(s);
        return DD_OK;
    }

    HRESULT SetCooperativeLevel(HWND, DWORD) override { return DD_OK; }

    HRESULT GetDisplayMode(LPDDSURFACEDESC desc) override {
        if (!desc) return DDERR_INVALIDPARAMS;
        std::memset(desc, 0, sizeof *desc);
        desc->dwSize = sizeof *desc;
        desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        desc->dwWidth = 800;
        desc->dwHeight = 600;
        desc->ddpfPixelFormat = {sizeof(DDPIXELFORMAT), DDPF_RGB, 0, 16, 0xF800, 0x07E0, 0x001F, 0};
        return DD_OK;
    }

private:
    ~DirectDraw() override = default;
    const bool immortal_;
    std::atomic<ULONG> refs_{1};
};

}  // namespace

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

int surfacePresentWritten(IDirectDrawSurface* from, IDirectDrawSurface* to, bool onlyChanged,
                          SDL_Rect* out) {
    SDL_Surface* src = surfaceSdl(from);
    auto* target = dynamic_cast<Surface*>(to);
    SDL_Surface* dst = target ? target->sdl() : nullptr;
    if (!src || !dst || src->w != dst->w || src->h != dst->h ||
        src->format->BytesPerPixel != dst->format->BytesPerPixel)
        return 0;
    // Both lists together: what the program drew, and anything drawn straight onto `to`.
    SDL_Rect taken[WrittenRegion::kMaxRects];
    WrittenRegion both;
    for (IDirectDrawSurface* surface : {from, to}) {
        const int n = surfaceTakeWritten(surface, taken);
        for (int i = 0; i < n; ++i) both.add(taken[i]);
    }
    const int n = both.take(taken);
    SDL_LockSurface(src);
    SDL_LockSurface(dst);
    const int bpp = src->format->BytesPerPixel;
    int shown = 0;
    for (int i = 0; i < n; ++i) {
        const SDL_Rect& r = taken[i];
        const size_t row = static_cast<size_t>(r.w) * bpp;
        bool changed = false;
        for (int y = r.y; y < r.y + r.h; ++y) {
            const char* in = static_cast<const char*>(src->pixels) +
                             static_cast<size_t>(y) * src->pitch + static_cast<size_t>(r.x) * bpp;
            char* onto = static_cast<char*>(dst->pixels) + static_cast<size_t>(y) * dst->pitch +
                         static_cast<size_t>(r.x) * bpp;
            if (onlyChanged && std::memcmp(onto, in, row) == 0) continue;
            std::memcpy(onto, in, row);
            changed = true;
        }
        if (changed) target->changedOutside(r);
        if (changed || !onlyChanged) out[shown++] = r;
    }
    SDL_UnlockSurface(dst);
    SDL_UnlockSurface(src);
    return shown;
}

void surfaceSetPalette(IDirectDrawSurface* surface, const PALETTEENTRY* entries, int count) {
    if (auto* s = dynamic_cast<Surface*>(surface); s && entries) s->setPalette(entries, count);
}

void surfaceSetViewport(IDirectDrawSurface* surface, const RECT* viewport) {
    if (auto* s = dynamic_cast<Surface*>(surface)) s->setViewport(viewport);
}

IDirectDraw* directDrawInstance() {
    // Made without the fault checks: the display's object always exists.
    static IDirectDraw* instance = new DirectDraw(true);
    return instance;
}

}  // namespace platform

HRESULT DirectDrawCreate(GUID*, IDirectDraw** directDraw, void*) {
    if (!directDraw) return DDERR_INVALIDPARAMS;
    *directDraw = nullptr;
    if (platform::faultActive("directdraw-create")) return DDERR_NODIRECTDRAWHW;
    *directDraw = new platform::DirectDraw;
    return DD_OK;
}
