// A clickable rectangle with one image per visual state (0 normal, 1 highlighted,
// 2 pressed), a name, and a click flag that the owning screen reads once per frame.
#pragma once

#include "framework/ptr_array.h"
#include "platform/display/ddraw.h"

struct ButtonImage {
    int id;
    IDirectDrawSurface* surface;
};

class Button {
public:
    Button();
    Button(int x, int y);
    Button(int x, int y, int width, int height);
    // Deletes the image records and releases the button's reference to each surface.
    virtual ~Button();
    Button(const Button&) = delete;
    Button& operator=(const Button&) = delete;

    // Adds surface as the next image (blue colour key); the button takes a reference of
    // its own, so the caller keeps (and releases) its own reference.
    virtual int addImage(int id, IDirectDrawSurface* surface);
    virtual int addImageFile(int id, const char* file);
    // Cuts one bitmap into count images; 0 when it does not load or gives another count.
    virtual int loadStrip(const char* file, int count, int vertical);
    virtual int handleMessage(unsigned msg, int wParam, int lParam);
    virtual int handleMouse(int x, int y, int buttons);
    virtual void draw(IDirectDrawSurface* surface);
    virtual void setFrameOffset(int n);
    virtual void drawTo(IDirectDrawSurface* surface);
    virtual void redraw();
    virtual int wasClicked();
    virtual void reset();
    virtual void setName(const char* text);
    virtual void setOffset(int dx, int dy);
    virtual void setEnabled(int flag);
    virtual void drawToBackgrounds(int flag);
    virtual void swapImages();
    virtual void setSingleImage(int flag);
    virtual void setState(int s);
    virtual int getState();
    virtual void setHitRect(int hx, int hy, int w, int h);
    virtual void setMarkDirty(int flag);
    virtual void setPixelHitTest(int flag);

    const char* getName() const { return name; }
    int imageCount() const { return images->getCount(); }
    IDirectDrawSurface* imageSurface(int index) const {
        return index >= 0 && index < images->getCount() ? images->at<ButtonImage>(index)->surface
                                                        : nullptr;
    }

    int x, y;
    int width, height;
    int hitX, hitY;
    int hitWidth, hitHeight;
    int offsetX, offsetY;
    int state;
    int frameOffset;
    PtrArray* images;
    int clicked;
    int clickKind;
    char name[64];
    int enabled;
    int singleImage;
    int markDirty;
    int pixelHitTest;

private:
    bool insidePolled(int px, int py) const;
    bool insideInclusive(int px, int py) const;
    // For the pixel hit test: 1 opaque, 0 transparent, -1 no image 0.
    int opaqueAt(int px, int py) const;
    void release();
};
