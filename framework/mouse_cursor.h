// The mouse as the screens see it: position (from the window procedure), button bits
// and press counts (sampled by the timer thread), and an optional software cursor drawn
// with save-under restoration, one save slot per flip buffer.
#pragma once

#include <atomic>

#include "framework/image.h"
#include "framework/ptr_array.h"
#include "platform/display/ddraw.h"

class MouseCursor {
public:
    MouseCursor();
    ~MouseCursor();
    MouseCursor(const MouseCursor&) = delete;
    MouseCursor& operator=(const MouseCursor&) = delete;

    // With a file: loads the cursor image (black transparent) and its save surfaces;
    // returns 0 when the file does not load. Always resets the slots and hides the cursor.
    int init(const char* file);
    void selectImage(int index);
    void hide() { visible = 0; }
    void show() { visible = 1; }
    void setDoubleBuffered(int flag) { doubleBuffered = flag & 0xFF; }
    void setPosition(int px, int py) {
        x = px;
        y = py;
    }
    // Position and button bits; left/right receive the press count after consuming one
    // press, and are left untouched when no press is waiting.
    void getState(int* outX, int* outY, int* outButtons, int* left, int* right);
    // Timer thread: samples the buttons and counts rising edges.
    void sampleButtons();
    // With no timer running, getState samples the buttons itself (once per read), so that
    // the buttons still work, at frame rate, on a system without a usable timer.
    void setSampleOnRead(int flag) { sampleOnRead.store(flag ? 1 : 0); }
    void drawAtPosition(IDirectDrawSurface* surface) { draw(surface, x, y); }
    void draw(IDirectDrawSurface* surface, int atX, int atY);
    void restore(IDirectDrawSurface* surface);
    void nextSlot() { saveIndex = doubleBuffered ? 1 - saveIndex : 0; }
    void destroy();

    Image* currentImage;
    PtrArray* images;
    IDirectDrawSurface* saveSurface[2];
    int saveIndex;
    int savedX[2];
    int savedY[2];
    int width, height;
    int visible;
    int doubleBuffered;
    int x, y;
    std::atomic<int> buttons;
    std::atomic<int> leftPresses;
    std::atomic<int> rightPresses;
    std::atomic<int> sampling;

private:
    // Button bits pressed by a sample since the last getState.
    std::atomic<int> pressedSinceRead{0};
    std::atomic<int> sampleOnRead{0};
    int previousLeft = 0;
    int previousRight = 0;
};

extern MouseCursor mouseCursor;
