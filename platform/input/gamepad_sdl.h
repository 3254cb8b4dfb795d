// Game controllers for the sdl backend: every controller SDL has a mapping for (its own table
// and SDL_GAMECONTROLLERCONFIG) is opened when it is plugged in and closed when it goes. Their
// buttons, with the left stick as a second d-pad, go into the controllers' button table; a
// held direction repeats, so that the focus walks on while it is held.
#pragma once

#include <SDL.h>

namespace platform::sdl {

// Starts the controller subsystem; the controllers present arrive as plug-in events.
void gamepadsOpen();
// Takes the controller events (plug-in, removal, buttons, axes); false for any other event.
bool gamepadEvent(const SDL_Event& event);
// Repeats held directions that are due at `now` (SDL ticks); called on every poll.
void gamepadsTick(Uint32 now);
// True while some controller is open.
bool gamepadsPresent();
void gamepadsClose();

}  // namespace platform::sdl
