#include "framework/mouse_cursor.h"

#include "framework/dirty_rect_manager.h"
#include "framework/surface_utils.h"
#include "qv/qv.h"

MouseCursor mouseCursor;

namespace {

// Takes one press if any is waiting; returns the count left, or -1 when none
// was waiting.
int consumePress(std::atomic<int>& presses) {
    int n = presses.load();
    while (n > 0) {
        if (presses.compare_exchange_weak(n, n - 1)) return n - 1;
    }
    return -1;
}

}  // namespace

MouseCursor::MouseCursor()
    : currentImage(nullptr),
      images(new PtrArray(1)),
      saveSurface{nullptr, nullptr},
      saveIndex(0),
      savedX{-1, -1},
      savedY{0, 0},
      width(0),
      height(0),
      visible(0),
      doubleBuffered(0),
      x(0),
      y(0),
      buttons(0),
      leftPresses(0),
      rightPresses(0),
      sampling(1) {}

MouseCursor::~MouseCursor() {
    destroy();
    delete images;
}

int MouseCursor::init(const char* file) {
    int result = 1;
    if (file) {
        Image* image = new Image(file);
        if (image->getSurface()) {
            images->add(image);
            width = image->width;
            height = image->height;
            image->setImageColourKey(0, 0, 0);
            for (IDirectDrawSurface*& save : saveSurface) {
                if (save) save->Release();
                save = createSurface(width, height);
            }
        } else {
            delete image;
            result = 0;
        }
    }
    saveIndex = 0;
    savedX[0] = savedX[1] = -1;
    visible = 0;
    doubleBuffered = 0;
    return result;
}

void MouseCursor::selectImage(int index) {
    currentImage = index >= 0 && index < images->getCount() ? images->at<Image>(index) : nullptr;
}

void MouseCursor::getState(int* outX, int* outY, int* outButtons, int* left, int* right) {
    if (outX) *outX = x;
    if (outY) *outY = y;
    if (sampleOnRead.load()) sampleButtons();
    // A button pressed since the last read counts as down for this read even when it was
    // already released again, so that a click shorter than a frame is still seen whole:
    // down in this frame, up in the next.
    const int latched = pressedSinceRead.exchange(0);
    if (outButtons) *outButtons = buttons.load() | latched;
    const int l = consumePress(leftPresses);
    if (l >= 0 && left) *left = l;
    const int r = consumePress(rightPresses);
    if (r >= 0 && right) *right = r;
}

void MouseCursor::sampleButtons() {
    if (!sampling.load()) return;
    int a = 0, b = 0, bits = 0;
    QVGetMouseData(&a, &b, &bits);
    buttons.store(bits);
    const int left = bits & 1;
    const int right = (bits >> 1) & 1;
    if (left && !previousLeft) {
        leftPresses.fetch_add(1);
        pressedSinceRead.fetch_or(1);
    }
    if (right && !previousRight) {
        rightPresses.fetch_add(1);
        pressedSinceRead.fetch_or(2);
    }
    previousLeft = left;
    previousRight = right;
}

void MouseCursor::draw(IDirectDrawSurface* surface, int atX, int atY) {
    IDirectDrawSurface* save = saveSurface[saveIndex];
    if (!visible || !surface || !currentImage || !currentImage->getSurface() || !save) {
        nextSlot();
        return;
    }
    RECT rect{atX, atY, atX + width, atY + height};
    save->Blt(nullptr, surface, &rect, DDBLT_WAIT, nullptr);
    dirtyRects.queueRect(&rect, DIRTY_ONESHOT, DIRTY_RESTORE);
    savedX[saveIndex] = atX;
    savedY[saveIndex] = atY;
    surface->Blt(&rect, currentImage->getSurface(), nullptr, DDBLT_WAIT | DDBLT_KEYSRC, nullptr);
    nextSlot();
}

void MouseCursor::restore(IDirectDrawSurface* surface) {
    if (savedX[saveIndex] == -1) return;
    if (surface && saveSurface[saveIndex]) {
        RECT rect{savedX[saveIndex], savedY[saveIndex], savedX[saveIndex] + width,
                  savedY[saveIndex] + height};
        surface->Blt(&rect, saveSurface[saveIndex], nullptr, DDBLT_WAIT, nullptr);
    }
    savedX[saveIndex] = -1;
}

void MouseCursor::destroy() {
    images->deleteAll<Image>();
    currentImage = nullptr;
    for (IDirectDrawSurface*& save : saveSurface) {
        if (save) save->Release();
        save = nullptr;
    }
    savedX[0] = savedX[1] = -1;
}
