// A DirectDraw surface on an SDL surface, inside the platform: its DirectDraw calls
// (ddraw_surface.cpp) and its copies between surfaces (surface_copy.cpp). The programs
// see only IDirectDrawSurface; the backends reach the pixels through ddraw_internal.h.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/display/ddraw.h"
#include "platform/display/written_region.h"

namespace platform {

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

// True when r is not empty and lies inside a surface of w x h.
bool rectInside(const RECT& r, int w, int h);
// A cleared SDL surface of the format (a grey ramp for 8 bits), null when the size is bad.
SDL_Surface* newSdlSurface(int width, int height, Uint32 format);

// Stamps for the contents of surfaces, unique across all surfaces of the process: a stamp
// seen once never names other pixels, even on a surface made later at the same address.
std::uint64_t newContentStamp();

class Surface final : public IDirectDrawSurface {
public:
    explicit Surface(SDL_Surface* s);

    SDL_Surface* sdl() const { return s_; }
    void setPalette(const PALETTEENTRY* entries, int count);
    int takeWritten(SDL_Rect* out) { return written_.take(out); }
    // The pixels in r were changed from outside the surface's own calls (presenting copies
    // onto the front buffer); they are not counted as written.
    void changedOutside(const SDL_Rect& r) { contentsChanged(r); }
    void setViewport(const RECT* v);

    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override;
    HRESULT Blt(LPRECT destRect, IDirectDrawSurface* srcIface, LPRECT srcRect, DWORD flags,
                LPDDBLTFX fx) override;
    HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface* srcIface, LPRECT srcRect,
                    DWORD trans) override;
    HRESULT Lock(LPRECT rect, LPDDSURFACEDESC desc, DWORD flags, HANDLE) override;
    HRESULT Unlock(LPVOID) override;
    HRESULT GetDC(HDC* dc) override;
    HRESULT ReleaseDC(HDC dc) override;
    HRESULT GetSurfaceDesc(LPDDSURFACEDESC desc) override;
    HRESULT SetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT GetColorKey(DWORD flags, LPDDCOLORKEY key) override;
    HRESULT GetPalette(IDirectDrawPalette** out) override;
    HRESULT GetPixelFormat(LPDDPIXELFORMAT format) override;
    HRESULT IsLost() override { return DD_OK; }
    HRESULT Restore() override { return DD_OK; }

private:
    ~Surface() override;
    void describe(LPDDSURFACEDESC desc) const;
    bool placeDest(RECT& d, const RECT* srcIn, RECT& srcOut) const;
    bool fillRect(const SDL_Rect& r, Uint32 value);
    // Every change of the pixels goes through here: it is remembered for presenting.
    void noteWritten(const SDL_Rect& r);
    void contentsChanged(const SDL_Rect& r);

    // ---- Copies (surface_copy.cpp) ----
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

    const OpaqueRuns* opaqueRuns();
    void useKey(bool keyed);
    void keyedCopy16(Surface& src, const SDL_Rect& sr, const SDL_Rect& dr);
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

    bool alreadyDone(const Surface& src, const SDL_Rect& sr, const SDL_Rect& dr, bool keyed) const;
    void rememberDone(const Surface& src, const SDL_Rect& sr, const SDL_Rect& dr, bool keyed);
    HRESULT copy(Surface& src, const RECT& s, const RECT& d, bool keyed);

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

}  // namespace platform
