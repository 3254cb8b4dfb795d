// Virtual time for the multimedia timers (headless backend), and their rest while the
// frame loop rests (sdl backend).
#pragma once

namespace platform {

// In virtual mode timers follow timersDeliverVirtualTick instead of the clock.
void timersSetVirtual(bool on);
bool timersVirtual();
// Advances the virtual clock and returns once every callback that fell due has run
// (on the timers' own threads).
void timersDeliverVirtualTick(unsigned milliseconds);

// The frame loop rests (it waits for input and reads no clock): the timers' threads sleep
// instead of waking for every period.
void timersRest();
// The frame loop goes on: every callback that fell due during the rest runs now, in order,
// on the timers' own threads, and this returns once they have, so that what they count
// reads true again before the next frame. Does nothing when not resting.
void timersWake();

}  // namespace platform
