// The pace of frames in the sdl backend: never faster than the display refreshes.
#pragma once

namespace platform::sdl {

// Called after every present, whether or not it showed anything new.
void paceFrame(bool shownChanged);

}  // namespace platform::sdl
