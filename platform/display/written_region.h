// The parts of a surface written since they were last taken, kept as a few rectangles so
// that presenting a frame copies only what changed. More rectangles than fit are merged:
// a new one joins the kept rectangle whose bounding box grows least.
#pragma once

#include <SDL_rect.h>

#include "platform/display/ddraw_internal.h"

namespace platform {

class WrittenRegion {
public:
    static constexpr int kMaxRects = kWrittenRectsMax;

    // Adds the rectangle (empty ones are ignored).
    void add(const SDL_Rect& rect);
    bool empty() const { return count_ == 0; }
    // Copies the rectangles to out (room for kMaxRects), forgets them and returns how many.
    int take(SDL_Rect* out);

private:
    // Joins rectangle i with every other it now overlaps, until none does.
    void absorbOverlaps(int i);

    SDL_Rect rects_[kMaxRects]{};
    int count_ = 0;
};

}  // namespace platform
