// Platform-internal access to the surfaces behind IDirectDrawSurface, for the backends
// (presentation, capture) and the bitmap loader. Not for the programs: it names SDL.
#pragma once

struct SDL_Surface;  // from SDL, known only inside the platform

#include "platform/ddraw.h"

namespace platform {

// A new surface owning `pixels` (RGB565, RGB555 or INDEX8), reference count 1.
IDirectDrawSurface* surfaceFromSdl(SDL_Surface* pixels);
// A new RGB565 surface of the given size, cleared to 0.
IDirectDrawSurface* surfaceCreate565(int width, int height);
// The SDL surface holding the pixels (still owned by the surface).
SDL_Surface* surfaceSdl(IDirectDrawSurface* surface);
// Blits onto this surface clip their destination to `viewport` instead of being refused
// (null: refuse again).
void surfaceSetViewport(IDirectDrawSurface* surface, const RECT* viewport);
// Replaces the first `count` colours of an 8-bit surface's palette (GetPalette then
// reports them); ignored on 16-bit surfaces.
void surfaceSetPalette(IDirectDrawSurface* surface, const PALETTEENTRY* entries, int count);
// The DirectDraw object the display hands out (QVGetLPDD).
IDirectDraw* directDrawInstance();

}  // namespace platform
