#include "framework/screen.h"

#include <cstdio>
#include <cstring>

#include "framework/dirty_rect_manager.h"
#include "framework/image_set.h"
#include "framework/mouse_cursor.h"
#include "qv/qv.h"
#include "shell/shell_state.h"

Screen::Screen()
    : name{},
      directDraw(nullptr),
      backBuffer(nullptr),
      buttonList(new ButtonList),
      images(new PtrArray(1)),
      workingImage(nullptr),
      pristineImage(nullptr),
      presentDelegate(nullptr) {}

Screen::~Screen() {
    Screen::leave();
}

void Screen::createLists() {
    if (!images) images = new PtrArray(1);
    if (!buttonList) buttonList = new ButtonList;
}

void Screen::enter(IDirectDraw* dd, IDirectDrawSurface* back) {
    directDraw = dd;
    backBuffer = back;
    createLists();
}

void Screen::leave() {
    focus.clear();  // its choices are the buttons going now
    if (buttonList) {
        delete buttonList;
        buttonList = nullptr;
    }
    freeImages();
}

int Screen::handleMessage(HWND, UINT, WPARAM, LPARAM) {
    return 1;
}

int Screen::update(int) {
    return 1;
}

void Screen::setName(const char* text) {
    std::snprintf(name, sizeof name, "%s", text ? text : "");
}

const char* Screen::getName() {
    return name;
}

Image* Screen::addImage(const char* file) {
    Image* image = new Image(file);
    if (!image->getSurface()) {
        delete image;
        return nullptr;
    }
    if (!images) images = new PtrArray(1);
    images->add(image);
    return image;
}

void Screen::freeImages() {
    if (!images) return;
    // The restoration must not keep a background whose surface goes with these images.
    for (int i = 0; i < images->getCount(); ++i) {
        IDirectDrawSurface* surface = images->at<Image>(i)->getSurface();
        if (!surface) continue;
        if (dirtyRects.getWorkingBackground() == surface) dirtyRects.setWorkingBackground(nullptr);
        if (dirtyRects.getPristineBackground() == surface)
            dirtyRects.setPristineBackground(nullptr);
    }
    images->deleteAll<Image>();
    delete images;
    images = nullptr;
}

void Screen::setWorkingBackground(IDirectDrawSurface* surface) {
    dirtyRects.setWorkingBackground(surface);
}

void Screen::setPristineBackground(IDirectDrawSurface* surface) {
    dirtyRects.setPristineBackground(surface);
}

int Screen::loadImageSet(const char* iniFile) {
    if (!images) images = new PtrArray(1);
    return loadImageSetInto(images, iniFile);
}

Image* Screen::findImage(const char* imageName) {
    if (!images || !imageName) return nullptr;
    for (int i = 0; i < images->getCount(); ++i) {
        Image* image = images->at<Image>(i);
        if (std::strcmp(image->name, imageName) == 0) return image;
    }
    return nullptr;
}

int Screen::drawImageAt(IDirectDrawSurface* surface, const char* imageName, int x, int y) {
    Image* image = findImage(imageName);
    if (!image) return 0;
    image->drawAt(surface, x, y);
    return 1;
}

int Screen::drawImage(IDirectDrawSurface* surface, const char* imageName) {
    Image* image = findImage(imageName);
    if (!image) return 0;
    image->drawAt(surface, image->x, image->y);
    return 1;
}

int Screen::present() {
    if (presentDelegate && presentDelegate != this) return presentDelegate->present();
    mouseCursor.drawAtPosition(::backBuffer);
    const int result = QVFlip();
    mouseCursor.restore(::backBuffer);
    dirtyRects.flip();
    dirtyRects.processList(::backBuffer);
    return result;
}

void Screen::setPresentDelegate(Screen* screen) {
    presentDelegate = screen;
}

void Screen::addButton(Button* button) {
    if (!button) return;
    if (!buttonList) buttonList = new ButtonList;
    button->setOffset(buttonList->originX, buttonList->originY);
    buttonList->add(button);
}
