#include "framework/image.h"

#include <cstdio>

#include "framework/surface_utils.h"
#include "qv/qv.h"

Image::Image(const char* file) : name{}, x(0), y(0), width(0), height(0), surface(nullptr) {
    load(file);
}

Image::~Image() {
    if (surface) surface->Release();
}

IDirectDrawSurface* Image::load(const char* file) {
    if (surface) surface->Release();
    surface = nullptr;
    width = height = 0;
    name[0] = '\0';
    if (!file) return nullptr;
    surface = QVLoadBitmap(file, 16);
    if (!surface) return nullptr;
    setColourKey(surface, 0, 0, 255);
    setName(file);
    getSurfaceSize(surface, &width, &height);
    return surface;
}

void Image::setImageColourKey(int r, int g, int b) {
    if (surface) setColourKey(surface, r, g, b);
}

void Image::drawAt(IDirectDrawSurface* destination, int atX, int atY) {
    if (surface) blitAt(surface, destination, atX, atY);
}

void Image::setName(const char* text) {
    std::snprintf(name, sizeof name, "%s", text ? text : "");
}
