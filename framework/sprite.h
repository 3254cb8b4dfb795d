// A named sequence of frames drawn at a floating-point position, with a current frame,
// optional timed animation over a frame range, and dirty-rectangle registration.
#pragma once

#include "framework/ptr_array.h"
#include "platform/display/ddraw.h"

class Sprite {
public:
    Sprite();
    // Releases every frame surface.
    virtual ~Sprite();
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    virtual void setPosition(int px, int py);
    // Stamps the current frame into the working background.
    virtual void draw();
    virtual void drawTo(IDirectDrawSurface* surface);
    virtual void move();
    virtual void setBounds(int left, int top, int right, int bottom);
    virtual void setFrame(int i);
    virtual void setVisible(int flag);
    virtual void setFrameDelay(int ms);
    virtual void setColourKey(int r, int g, int b);
    virtual int advanceFrame();
    virtual void setFrameRaw(int i);
    virtual int loadStrip(const char* file, int count, int vertical);
    virtual void loadGrid(const char* file, int tileWidth, int tileHeight);
    virtual void setFrameRange(int first, int end);
    virtual void setName(const char* text);
    virtual void setAnimating(int flag);
    virtual void setLoopMode(int mode);
    virtual void setMarkDirty(int flag);
    virtual void animate();

    // Takes over the caller's reference to surface.
    int addFrame(IDirectDrawSurface* surface);
    int addFrameFile(const char* file);

    int frameCount() const { return frames ? frames->getCount() : 0; }
    IDirectDrawSurface* frame(int i) const {
        return i >= 0 && i < frameCount() ? frames->at<IDirectDrawSurface>(i) : nullptr;
    }
    int getFrame() const { return current; }

    char name[64];
    float x, y;
    float velocityX, velocityY;
    int width, height;
    int loopMode;
    int animating;
    PtrArray* frames;
    int current;
    int bounds[4];
    int frameDelay;
    int frameClock;
    int firstFrame;
    int endFrame;
    int markDirty;
    int wrap;
    int visible;
};
