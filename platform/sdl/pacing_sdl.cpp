// The pace of frames in the sdl backend.
#include "platform/sdl/pacing_sdl.h"

#include <SDL.h>

namespace platform::sdl {
namespace {

constexpr Uint32 kFrameMs = 16;
Uint32 lastPresent = 0;

}  // namespace

void paceFrame(bool) {
    // Never faster than the display refresh, even where vsync is missing or nothing was shown.
    const Uint32 spent = SDL_GetTicks() - lastPresent;
    if (lastPresent != 0 && spent < kFrameMs) SDL_Delay(kFrameMs - spent);
    lastPresent = SDL_GetTicks();
}

}  // namespace platform::sdl
