// platform/display/: the picture: DirectDraw and its surfaces, the copies between them,
// bitmap files, the regions written since the last present, the window's place.
//
// The display as the display and input library (qv) sees it: the presented display and
// bitmap loading. Implemented by the active backend (sdl or headless).
#pragma once

#include "platform/display/ddraw.h"
#include "platform/win32/win32.h"

namespace platform {

// Creates the display for the window: an RGB565 back buffer of width x height that the
// programs draw on, and a front buffer holding what was last presented. The sdl backend
// shows the picture scaled to its window, keeping its shape with bars; `fullScreen` starts
// it in desktop full screen (otherwise the window is as the user left it).
bool displayOpen(HWND window, int width, int height, bool fullScreen);
void displayClose();
bool displayIsOpen();
IDirectDraw* displayDirectDraw();
IDirectDrawSurface* displayFrontBuffer();
IDirectDrawSurface* displayBackBuffer();
// Back-buffer blits clip to this rectangle instead of being refused.
void displaySetViewport(const RECT& viewport);
// Shows the back buffer. Paced: it never returns faster than the display refresh.
// In the headless backend it also delivers one 10 ms timer tick and mixes 10 ms of
// audio, and advances the script. In the sdl backend, once several frames in a row have
// shown nothing new, it waits instead for input, for a message posted to the window, or
// for the time asked for with displayFrameDueIn: the program rests.
bool displayPresent();
// The picture will change by itself in `milliseconds` (an animation's next step, a caret's
// blink): a resting program is woken for a frame then. Holds for the next present only;
// 0 asks for frames at the display's pace. Ignored by the headless backend, which rests never.
void displayFrameDueIn(unsigned milliseconds);
// Client-area origin for presentation (ignored by both backends: the sdl window places the
// picture itself).
void displaySetWindowOrigin(int x, int y);

// Reads a Windows BMP file into a new off-screen surface: RGB565 when depth is 16, or
// one byte per pixel with the picture's palette attached when depth is 8 and the file
// is palettised. Null when the file is missing or not a valid BMP.
IDirectDrawSurface* loadBitmapSurface(const char* path, int depth);

// The last error text of the display set-up, for QVPrintError.
const char* displayLastError();

}  // namespace platform
