// Copies between surfaces: the keyed copy of 16-bit pictures (a vectorised select, or the
// picture's opaque runs once it has been copied twice), copies that repeat one already made
// skipped, and presenting, which makes the front buffer equal the back buffer again by
// copying only what was written and reports what really changed.
#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "platform/display/ddraw_internal.h"
#include "platform/display/ddraw_surface.h"

// GCC builds the keyed row loop vectorised even where the build type does not ask for it;
// other compilers decide for themselves.
#if defined(__GNUC__) && !defined(__clang__)
#define KEYED_ROW_VECTORISED [[gnu::optimize("tree-vectorize")]]
#else
#define KEYED_ROW_VECTORISED
#endif

namespace platform {
namespace {

bool sameRect(const SDL_Rect& a, const SDL_Rect& b) {
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

// Keyed copy between two 16-bit surfaces that are not encoded: a select per pixel
// that the compiler vectorises, several times faster than SDL's unencoded keyed blit.
// One row: every source pixel that is not the key replaces the destination's. Built
// with vectorisation on (a select over 8 or 16 pixels at a time).
KEYED_ROW_VECTORISED void keyedRow16(const std::uint16_t* __restrict in,
                                     std::uint16_t* __restrict out, int n, std::uint16_t key) {
    for (int x = 0; x < n; ++x) out[x] = in[x] == key ? out[x] : in[x];
}

}  // namespace

// Surfaces are never run-length encoded: SDL re-encodes an encoded source whenever it
// is blitted to another destination than the last or written to, which costs more than
// the plain keyed copy below saves (a button drawn to the back buffer and the working
// background in turn would be encoded twice a frame).
//
// Keeps SDL's key state as this blit needs it, changed only when it differs.
void Surface::useKey(bool keyed) {
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

void Surface::keyedCopy16(Surface& src, const SDL_Rect& sr, const SDL_Rect& dr) {
    const auto key = static_cast<std::uint16_t>(src.key_);
    const OpaqueRuns* runs = src.opaqueRuns();
    for (int y = 0; y < sr.h; ++y) {
        const int row = sr.y + y;
        const auto* in = reinterpret_cast<const std::uint16_t*>(
            static_cast<const char*>(src.s_->pixels) + static_cast<size_t>(row) * src.s_->pitch);
        auto* out = reinterpret_cast<std::uint16_t*>(static_cast<char*>(s_->pixels) +
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
            if (from < to) std::memcpy(out + from, in + from, static_cast<size_t>(to - from) * 2);
        }
    }
}

// Runs for this surface as a keyed source: made on its second keyed copy since it was
// last written (so that a surface drawn on between copies never pays for them), kept
// until it is written again or its key changes. Pictures are written once and copied
// often; a surface drawn on every frame (a background) soon stops making runs. Null
// while there are none.
const Surface::OpaqueRuns* Surface::opaqueRuns() {
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

bool Surface::alreadyDone(const Surface& src, const SDL_Rect& sr, const SDL_Rect& dr,
                          bool keyed) const {
    for (const DoneBlit& b : done_)
        if (b.src == &src && sameRect(b.dr, dr) && sameRect(b.sr, sr) && b.srcStamp == src.stamp_ &&
            b.keyed == keyed && (!keyed || b.key == src.key_))
            return true;
    return false;
}

void Surface::rememberDone(const Surface& src, const SDL_Rect& sr, const SDL_Rect& dr, bool keyed) {
    if (done_.size() >= kDoneBlitsMax) done_.erase(done_.begin());
    done_.push_back(DoneBlit{&src, src.stamp_, keyed, src.key_, sr, dr});
}

HRESULT Surface::copy(Surface& src, const RECT& s, const RECT& d, bool keyed) {
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
        SDL_Surface* tmp = SDL_CreateRGBSurfaceWithFormat(0, sr.w, sr.h, s_->format->BitsPerPixel,
                                                          s_->format->format);
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

}  // namespace platform
