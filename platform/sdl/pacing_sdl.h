// The pace of frames in the sdl backend: never faster than the display refreshes, and no
// frames at all while nothing changes. Once several frames in a row have shown nothing new
// the program rests: it waits for input, for a message posted to its window, or for the
// moment a screen said its picture changes by itself; its timers sleep meanwhile and are
// caught up before the next frame, so its clock reads true again.
#pragma once

#include <SDL.h>

namespace platform::sdl {

// Called after every present, whether or not it showed anything new.
void paceFrame(bool shownChanged);
// Input came: what it changes may show only in a later frame, so the frames go on for a while.
void inputArrived();
// A frame is due in `milliseconds` even without input (displayFrameDueIn).
void frameDueIn(unsigned milliseconds);
// Wakes a rest from any thread.
void wakeFromRest();

}  // namespace platform::sdl
