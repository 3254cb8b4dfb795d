// Free functions over DirectDraw surfaces used throughout the framework: sizes, 16-bit
// colour values, colour keys, pixels, off-screen surfaces, tiles and clipped blits.
// Pixel formats are read from each surface, never assumed.
#pragma once

#include "framework/ptr_array.h"
#include "platform/display/ddraw.h"

void getSurfaceSize(IDirectDrawSurface* surface, int* width, int* height);
// Packs an 8-bit-per-channel colour into the surface's pixel format, cut to 16 bits.
unsigned colourValue(IDirectDrawSurface* surface, int r, int g, int b);
// Source colour key, low and high both colourValue(surface, r, g, b).
void setColourKey(IDirectDrawSurface* surface, int r, int g, int b);
// The pixel at (x, y), zero-extended; -1 outside the surface or when it cannot be locked.
int getPixel(IDirectDrawSurface* surface, int x, int y);
void* lockSurface(IDirectDrawSurface* surface, DDSURFACEDESC* desc);
void unlockSurface(IDirectDrawSurface* surface);
// An off-screen surface on the display's DirectDraw object, black colour key; null on failure.
IDirectDrawSurface* createSurface(int width, int height);
void fillSurface(IDirectDrawSurface* surface, unsigned value);
// The surface's rectangle centred on the box (x, y, w, h).
void centreRect(IDirectDrawSurface* surface, int x, int y, int w, int h, RECT* out);
// Cuts source into tileWidth x tileHeight surfaces (blue colour key), row by row, appended
// to tiles. Returns 1, or 0 when a tile could not be made or the tile size is not positive.
int splitIntoTiles(IDirectDrawSurface* source, PtrArray* tiles, int tileWidth, int tileHeight,
                   int* columnsOut);
int splitFileIntoTiles(const char* file, PtrArray* tiles, int tileWidth, int tileHeight,
                       int* columnsOut);
// Colour-keyed copy of the whole source to (x, y), clipped to the destination.
void blitAt(IDirectDrawSurface* source, IDirectDrawSurface* destination, int x, int y);
// Colour-keyed copy of (sx, sy, width, height) of source to (dx, dy), clipped.
void blitRegion(IDirectDrawSurface* source, int sx, int sy, int width, int height,
                IDirectDrawSurface* destination, int dx, int dy);
