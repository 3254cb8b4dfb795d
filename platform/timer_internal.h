// Virtual time for the multimedia timers (headless backend).
#pragma once

namespace platform {

// In virtual mode timers follow timersDeliverVirtualTick instead of the clock.
void timersSetVirtual(bool on);
bool timersVirtual();
// Advances the virtual clock and returns once every callback that fell due has run
// (on the timers' own threads).
void timersDeliverVirtualTick(unsigned milliseconds);

}  // namespace platform
