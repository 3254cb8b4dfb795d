#include "platform/display/written_region.h"

#include <cstdint>

namespace platform {
namespace {

std::int64_t area(const SDL_Rect& r) {
    return static_cast<std::int64_t>(r.w) * r.h;
}

SDL_Rect bounds(const SDL_Rect& a, const SDL_Rect& b) {
    SDL_Rect u;
    SDL_UnionRect(&a, &b, &u);
    return u;
}

}  // namespace

void WrittenRegion::add(const SDL_Rect& rect) {
    if (rect.w <= 0 || rect.h <= 0) return;
    for (int i = 0; i < count_; ++i) {
        if (SDL_HasIntersection(&rects_[i], &rect)) {
            rects_[i] = bounds(rects_[i], rect);
            absorbOverlaps(i);
            return;
        }
    }
    if (count_ < kMaxRects) {
        rects_[count_++] = rect;
        return;
    }
    int best = 0;
    std::int64_t bestGrowth = -1;
    for (int i = 0; i < count_; ++i) {
        const std::int64_t growth = area(bounds(rects_[i], rect)) - area(rects_[i]);
        if (bestGrowth < 0 || growth < bestGrowth) {
            best = i;
            bestGrowth = growth;
        }
    }
    rects_[best] = bounds(rects_[best], rect);
    absorbOverlaps(best);
}

void WrittenRegion::absorbOverlaps(int i) {
    for (bool joined = true; joined;) {
        joined = false;
        for (int j = 0; j < count_; ++j) {
            if (j == i || !SDL_HasIntersection(&rects_[i], &rects_[j])) continue;
            rects_[i] = bounds(rects_[i], rects_[j]);
            // The last rectangle takes j's place; keep following the joined one.
            rects_[j] = rects_[--count_];
            if (i == count_) i = j;
            joined = true;
            break;
        }
    }
}

int WrittenRegion::take(SDL_Rect* out) {
    const int n = count_;
    for (int i = 0; i < n; ++i) out[i] = rects_[i];
    count_ = 0;
    return n;
}

}  // namespace platform
