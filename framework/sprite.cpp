#include "framework/sprite.h"

#include <cstdio>

#include "framework/dirty_rect_manager.h"
#include "framework/surface_utils.h"
#include "qv/qv.h"
#include "shell/timer_service.h"

Sprite::Sprite()
    : name{},
      x(0),
      y(0),
      velocityX(0),
      velocityY(0),
      width(0),
      height(0),
      loopMode(0),
      animating(0),
      frames(new PtrArray(1)),
      current(0),
      bounds{0, 0, 0, 0},
      frameDelay(0),
      frameClock(0),
      firstFrame(-1),
      endFrame(-1),
      markDirty(1),
      wrap(0),
      visible(1) {}

Sprite::~Sprite() {
    for (int i = 0; i < frames->getCount(); ++i)
        if (IDirectDrawSurface* s = frames->at<IDirectDrawSurface>(i)) s->Release();
    delete frames;
}

void Sprite::setPosition(int px, int py) {
    x = static_cast<float>(px);
    y = static_cast<float>(py);
}

void Sprite::draw() {
    if (IDirectDrawSurface* working = dirtyRects.getWorkingBackground()) drawTo(working);
}

void Sprite::drawTo(IDirectDrawSurface* surface) {
    IDirectDrawSurface* f = frame(current);
    if (!f) return;
    const int left = static_cast<int>(x);
    const int top = static_cast<int>(y);
    if (visible) blitAt(f, surface, left, top);
    if (markDirty) dirtyRects.queueRect(left, top, width, height, DIRTY_ONESHOT, DIRTY_RESTORE);
}

void Sprite::move() {
    x += velocityX;
    y += velocityY;
}

void Sprite::setBounds(int left, int top, int right, int bottom) {
    bounds[0] = left;
    bounds[1] = top;
    bounds[2] = right;
    bounds[3] = bottom;
}

void Sprite::setFrame(int i) {
    if (i >= 0 && i < frameCount()) current = i;
}

void Sprite::setVisible(int flag) {
    visible = flag;
}
void Sprite::setFrameDelay(int ms) {
    frameDelay = ms;
}

void Sprite::setColourKey(int r, int g, int b) {
    for (int i = 0; i < frameCount(); ++i) ::setColourKey(frame(i), r, g, b);
}

int Sprite::advanceFrame() {
    const int now = getTimerClockMs();
    if (!(frameClock < now)) return 0;
    if (current + 1 < frameCount())
        current += 1;
    else if (wrap)
        current = 0;
    frameClock = now + frameDelay;
    return 1;
}

void Sprite::setFrameRaw(int i) {
    current = i;
}

int Sprite::loadStrip(const char* file, int count, int vertical) {
    if (!file) return 0;
    IDirectDrawSurface* bitmap = QVLoadBitmap(file);
    if (!bitmap) return 0;
    int w = 0, h = 0;
    getSurfaceSize(bitmap, &w, &h);
    if (count > 0) {
        splitIntoTiles(bitmap, frames, vertical ? w : w / count, vertical ? h / count : h, nullptr);
    }
    // The tiles are copies, so the strip's bitmap is not kept.
    bitmap->Release();
    width = w;
    height = h;
    firstFrame = 0;
    endFrame = frameCount();
    return 1;
}

void Sprite::loadGrid(const char* file, int tileWidth, int tileHeight) {
    splitFileIntoTiles(file, frames, tileWidth, tileHeight, nullptr);
    width = tileWidth;
    height = tileHeight;
    firstFrame = 0;
    endFrame = frameCount();
}

void Sprite::setFrameRange(int first, int end) {
    firstFrame = first;
    endFrame = end;
}

void Sprite::setName(const char* text) {
    std::snprintf(name, sizeof name, "%s", text ? text : "");
}
void Sprite::setAnimating(int flag) {
    animating = flag;
}
void Sprite::setLoopMode(int mode) {
    loopMode = mode;
}
void Sprite::setMarkDirty(int flag) {
    markDirty = flag;
}

void Sprite::animate() {
    if (firstFrame == -1) return;
    const int now = getTimerClockMs();
    if (now - frameClock > frameDelay) {
        frameClock = now;
        if (animating == 1) current += 1;
    }
    if (animating == 1) frameDueAtClock(frameClock + frameDelay + 1);
    if (current >= endFrame) {
        switch (loopMode) {
            case 1:
                current = 0;
                break;
            case 0:
                animating = 0;
                current = endFrame - 1;
                break;
            case 3:
                animating = 0;
                current = -1;
                break;
            case 2:
                animating = 0;
                current = firstFrame;
                break;
            default:
                break;
        }
    }
}

int Sprite::addFrame(IDirectDrawSurface* surface) {
    if (!surface || !frames) return 1;
    ::setColourKey(surface, 0, 0, 255);
    int w = 0, h = 0;
    getSurfaceSize(surface, &w, &h);
    setBounds(0, 0, w, h);
    frames->add(surface);
    firstFrame = 0;
    endFrame = frameCount();
    width = w;
    height = h;
    return 1;
}

int Sprite::addFrameFile(const char* file) {
    IDirectDrawSurface* surface = file ? QVLoadBitmap(file) : nullptr;
    if (!surface) {
        MessageBoxA(nullptr, file ? file : "", "ERROR: can't find file!", MB_OK);
        return 1;
    }
    return addFrame(surface);
}
