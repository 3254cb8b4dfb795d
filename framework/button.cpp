#include "framework/button.h"

#include <cstdio>
#include <utility>

#include "framework/dirty_rect_manager.h"
#include "framework/surface_utils.h"
#include "qv/qv.h"
#include "shell/shell_state.h"

Button::Button() : Button(0, 0, 0, 0) {}

Button::Button(int atX, int atY) : Button(atX, atY, 0, 0) {}

Button::Button(int atX, int atY, int w, int h)
    : x(atX),
      y(atY),
      width(w),
      height(h),
      hitX(atX),
      hitY(atY),
      hitWidth(w),
      hitHeight(h),
      offsetX(0),
      offsetY(0),
      state(0),
      frameOffset(0),
      images(new PtrArray(1)),
      clicked(0),
      clickKind(0),
      name{},
      enabled(1),
      singleImage(0),
      markDirty(0),
      pixelHitTest(0) {}

Button::~Button() {
    release();
}

void Button::release() {
    for (int i = 0; i < images->getCount(); ++i) {
        ButtonImage* image = images->at<ButtonImage>(i);
        if (image->surface) image->surface->Release();
        delete image;
    }
    delete images;
    images = nullptr;
}

int Button::addImage(int id, IDirectDrawSurface* surface) {
    if (!surface) return 0;
    setColourKey(surface, 0, 0, 255);
    surface->AddRef();
    images->add(new ButtonImage{id, surface});
    getSurfaceSize(surface, &width, &height);
    hitWidth = width;
    hitHeight = height;
    return 1;
}

int Button::addImageFile(int id, const char* file) {
    if (!file) return 0;
    IDirectDrawSurface* surface = QVLoadBitmap(file, 16);
    if (!surface) return 0;
    addImage(id, surface);
    surface->Release();
    return 1;
}

int Button::loadStrip(const char* file, int count, int vertical) {
    if (!file) return 0;
    IDirectDrawSurface* bitmap = QVLoadBitmap(file);
    if (!bitmap) return 0;
    int result = 0;
    if (count > 0) {
        int w = 0, h = 0;
        getSurfaceSize(bitmap, &w, &h);
        const int tileWidth = vertical ? w : w / count;
        const int tileHeight = vertical ? h / count : h;
        PtrArray tiles(1);
        splitIntoTiles(bitmap, &tiles, tileWidth, tileHeight, nullptr);
        if (tiles.getCount() == count) {
            for (int i = 0; i < count; ++i) addImage(i, tiles.at<IDirectDrawSurface>(i));
            result = 1;
        }
        // The button holds its own references; the strip's are given back.
        for (int i = 0; i < tiles.getCount(); ++i) tiles.at<IDirectDrawSurface>(i)->Release();
    }
    bitmap->Release();
    return result;
}

bool Button::insidePolled(int px, int py) const {
    const int left = hitX + offsetX;
    const int top = hitY + offsetY;
    return left <= px && px < left + hitWidth && top <= py && py < top + hitHeight;
}

bool Button::insideInclusive(int px, int py) const {
    const int left = hitX + offsetX;
    const int top = hitY + offsetY;
    return left <= px && px <= left + hitWidth && top <= py && py <= top + hitHeight;
}

int Button::opaqueAt(int px, int py) const {
    IDirectDrawSurface* surface = imageSurface(0);
    if (!surface) return -1;
    const int pixel = getPixel(surface, px - hitX - offsetX, py - hitY - offsetY);
    // Outside image 0 (a hit rectangle larger than the picture) counts as
    // transparent.
    if (pixel < 0) return 0;
    return static_cast<unsigned>(pixel) != colourValue(surface, 0, 0, 255) ? 1 : 0;
}

int Button::handleMouse(int px, int py, int buttons) {
    if (!enabled) return state;
    const bool inside = insidePolled(px, py);
    clicked = 0;
    clickKind = 0;
    if (buttons & 1) {
        if (!inside) {
            if (state != 0) {
                setState(0);
                draw(nullptr);
            }
        } else if (state == 2) {
            // Already pressed.
        } else if (pixelHitTest) {
            if (opaqueAt(px, py) == 1) {
                setState(2);
                draw(nullptr);
            }
        } else {
            setState(2);
            draw(nullptr);
        }
        return state;
    }
    if (!inside) {
        if (state != 0) {
            setState(0);
            draw(nullptr);
        }
        return state;
    }
    if (pixelHitTest) {
        const int opaque = opaqueAt(px, py);
        if (opaque == 0) {
            setState(0);
            draw(nullptr);
            return state;
        }
    }
    if (state == 2) {
        clicked = 1;
        clickKind = 1;
    }
    if (state != 1) {
        setState(1);
        draw(nullptr);
    }
    return state;
}

int Button::handleMessage(unsigned msg, int, int lParam) {
    if (!enabled) return state;
    const int px = LOWORD(lParam);
    const int py = HIWORD(lParam);
    const bool inside = insideInclusive(px, py);
    clicked = 0;
    clickKind = 0;
    auto moveTo = [this](int s) {
        setState(s);
        draw(nullptr);
    };
    switch (msg) {
        case WM_MOUSEMOVE:
            if (inside && state != 1 && state != 2) moveTo(1);
            if (!inside && state != 0) moveTo(0);
            break;
        case WM_LBUTTONDOWN:
            if (inside && state != 2) moveTo(2);
            if (!inside && state != 0) moveTo(0);
            break;
        case WM_LBUTTONUP:
            if (inside) {
                clicked = 1;
                clickKind = 1;
                if (state != 1) moveTo(1);
            } else if (state != 0) {
                moveTo(0);
            }
            break;
        case WM_RBUTTONUP:
            if (inside) {
                clicked = 1;
                clickKind = 2;
            }
            break;
        default:
            break;
    }
    return state;
}

void Button::draw(IDirectDrawSurface* surface) {
    drawTo(surface ? surface : ::backBuffer);
}

void Button::setFrameOffset(int n) {
    frameOffset = n;
    redraw();
}

void Button::drawTo(IDirectDrawSurface* surface) {
    const int count = images->getCount();
    if (!surface || count == 0) return;
    const int left = x + offsetX;
    const int top = y + offsetY;
    RECT rect{left, top, left + width, top + height};
    int index = singleImage ? 0 : state + frameOffset;
    if (index < 0 || index >= count) index = count - 1;
    if (markDirty) dirtyRects.queueRect(&rect, DIRTY_ONESHOT, DIRTY_RESTORE);
    surface->Blt(&rect, images->at<ButtonImage>(index)->surface, nullptr, DDBLT_WAIT | DDBLT_KEYSRC,
                 nullptr);
}

void Button::redraw() {
    if (enabled) drawTo(::backBuffer);
}

int Button::wasClicked() {
    return clicked;
}

void Button::reset() {
    setState(0);
    redraw();
}

void Button::setName(const char* text) {
    std::snprintf(name, sizeof name, "%s", text ? text : "");
}

void Button::setOffset(int dx, int dy) {
    offsetX = dx;
    offsetY = dy;
}

void Button::setEnabled(int flag) {
    enabled = flag;
}

void Button::drawToBackgrounds(int flag) {
    if (!flag) return;
    if (IDirectDrawSurface* pristine = dirtyRects.getPristineBackground()) draw(pristine);
    if (IDirectDrawSurface* working = dirtyRects.getWorkingBackground()) draw(working);
}

void Button::swapImages() {
    if (images->getCount() >= 2) {
        std::swap(images->at<ButtonImage>(0)->surface, images->at<ButtonImage>(1)->surface);
    }
    redraw();
}

void Button::setSingleImage(int flag) {
    singleImage = flag;
}
void Button::setState(int s) {
    state = s;
}
int Button::getState() {
    return state;
}

void Button::setHitRect(int hx, int hy, int w, int h) {
    hitX = hx;
    hitY = hy;
    hitWidth = w;
    hitHeight = h;
}

void Button::setMarkDirty(int flag) {
    markDirty = flag;
}
void Button::setPixelHitTest(int flag) {
    pixelHitTest = flag;
}
