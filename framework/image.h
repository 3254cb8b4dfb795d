// A named bitmap with a position: what screens, dialogs and the cursor load and draw.
#pragma once

#include "platform/display/ddraw.h"

class Image {
public:
    // Loads file (may be null: an image without a surface).
    explicit Image(const char* file);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // Loads file as a 16-bit bitmap with pure blue transparent; the name becomes the file.
    // Null (and no surface, empty name) when it does not load.
    IDirectDrawSurface* load(const char* file);
    void setImageColourKey(int r, int g, int b);
    void drawAt(IDirectDrawSurface* destination, int x, int y);
    IDirectDrawSurface* getSurface() const { return surface; }
    // Copies at most 255 characters; null gives an empty name.
    void setName(const char* text);
    const char* getName() const { return name; }

    char name[256];
    int x;
    int y;
    int width;
    int height;
    IDirectDrawSurface* surface;
};
