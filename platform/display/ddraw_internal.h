// Platform-internal access to the surfaces behind IDirectDrawSurface, for the backends
// (presentation, capture) and the bitmap loader. Not for the programs: it names SDL.
#pragma once

struct SDL_Surface;  // from SDL, known only inside the platform
struct SDL_Rect;

#include "platform/display/ddraw.h"

namespace platform {

// How many rectangles a surface keeps of what was written on it.
inline constexpr int kWrittenRectsMax = 8;

// A new surface owning `pixels` (RGB565, RGB555 or INDEX8), reference count 1.
IDirectDrawSurface* surfaceFromSdl(SDL_Surface* pixels);
// A new RGB565 surface of the given size, cleared to 0.
IDirectDrawSurface* surfaceCreate565(int width, int height);
// The SDL surface holding the pixels (still owned by the surface).
SDL_Surface* surfaceSdl(IDirectDrawSurface* surface);
// The rectangles written (blits, fills, locks) since the last call, at most
// kWrittenRectsMax of them, into out; returns how many. A new surface counts as
// written all over.
int surfaceTakeWritten(IDirectDrawSurface* surface, SDL_Rect* out);
// Makes `to` equal `from` again by copying the rectangles written on either since the
// last call (the back and front buffer on presenting). With onlyChanged, rows that already
// match are skipped and only rectangles that really changed are reported. Writes those
// rectangles to out (room for kWrittenRectsMax) and returns how many.
int surfacePresentWritten(IDirectDrawSurface* from, IDirectDrawSurface* to, bool onlyChanged,
                          SDL_Rect* out);
// Blits onto this surface clip their destination to `viewport` instead of being refused
// (null: refuse again).
void surfaceSetViewport(IDirectDrawSurface* surface, const RECT* viewport);
// Replaces the first `count` colours of an 8-bit surface's palette (GetPalette then
// reports them); ignored on 16-bit surfaces.
void surfaceSetPalette(IDirectDrawSurface* surface, const PALETTEENTRY* entries, int count);
// The DirectDraw object the display hands out (QVGetLPDD).
IDirectDraw* directDrawInstance();

}  // namespace platform
