#include "framework/dialog_screen.h"

#include <cstdio>
#include <cstring>

#include "framework/dirty_rect_manager.h"
#include "framework/mouse_cursor.h"
#include "framework/nav_input.h"
#include "framework/surface_utils.h"
#include "shell/keyboard_queue.h"
#include "shell/shell_state.h"
#include "shell/timer_service.h"

#if __has_include("shell/app_shell.h")
#include "shell/app_shell.h"
#else
// The shell's message pump: 1 when it took the quit message (posted again for the caller).
int pumpMessages();
#endif

DialogScreen::DialogScreen()
    : dialogImages(new PtrArray(1)),
      currentImage(nullptr),
      closed(0),
      left(-1),
      top(-1),
      right(-1),
      bottom(-1),
      originX(0),
      originY(0),
      ownBackground(1),
      closeTime(0),
      anywhereButton{},
      escapePending(0) {}

DialogScreen* DialogScreen::openPage = nullptr;

DialogScreen::~DialogScreen() {
    freeDialogImages();
}

void DialogScreen::createLists() {
    Screen::createLists();
    if (!dialogImages) dialogImages = new PtrArray(1);
}

void DialogScreen::freeDialogImages() {
    if (!dialogImages) return;
    dialogImages->deleteAll<Image>();
    delete dialogImages;
    dialogImages = nullptr;
    currentImage = nullptr;
}

void DialogScreen::leave() {
    Screen::leave();
    freeDialogImages();
}

Image* DialogScreen::findDialogImage(const char* imageName) const {
    if (!dialogImages || !imageName) return nullptr;
    for (int i = 0; i < dialogImages->getCount(); ++i) {
        Image* image = dialogImages->at<Image>(i);
        if (std::strcmp(image->name, imageName) == 0) return image;
    }
    return nullptr;
}

Image* DialogScreen::findImage(const char* imageName) {
    if (Image* image = findDialogImage(imageName)) return image;
    return Screen::findImage(imageName);
}

void DialogScreen::setPosition(int x, int y) {
    const int w = currentImage ? currentImage->width : 0;
    const int h = currentImage ? currentImage->height : 0;
    if (x != -1 || y != -1) {
        left = x;
        top = y;
        right = x + w;
        bottom = y + h;
    } else if (left == -1 && top == -1 && currentImage) {
        RECT r{};
        centreRect(currentImage->getSurface(), 0, 0, clientWidth, clientHeight, &r);
        left = r.left;
        top = r.top;
        right = r.right;
        bottom = r.bottom;
    }
    if (buttonList) buttonList->setOrigin(left, top);
    originX = left;
    originY = top;
}

void DialogScreen::close(const char* text) {
    if (text) std::snprintf(name, sizeof name, "%s", text);
    closed = 1;
}

int DialogScreen::checkClose() {
    if (buttonList) {
        if (Button* button = buttonList->firstClicked()) {
            std::snprintf(name, sizeof name, "%s", button->name);
            closed = 1;
        }
    }
    if (closeTime != 0 && closeTime < getTimerClockMs()) closed = 1;
    if (closeTime != 0 && !closed) frameDueAtClock(closeTime + 1);
    return 1;
}

int DialogScreen::handleInput(int, int, int) {
    return checkClose();
}

void DialogScreen::setImage(Image* image) {
    if (!image) return;
    currentImage = image;
    setPosition(-1, -1);
}

void DialogScreen::selectImage(const char* imageName) {
    Image* image = findDialogImage(imageName);
    if (!image && dialogImages && dialogImages->getCount() > 0) image = dialogImages->at<Image>(0);
    currentImage = image;
    setPosition(-1, -1);
}

Image* DialogScreen::addImageFile(const char* file, const char* imageName) {
    if (!dialogImages) dialogImages = new PtrArray(1);
    Image* image = new Image(file);
    image->setName(imageName);
    dialogImages->add(image);
    setImage(image);
    return image;
}

void DialogScreen::setOwnBackground(int flag) {
    ownBackground = flag;
}

void DialogScreen::addDefaultButton() {
    const int w = currentImage ? currentImage->width : 0;
    const int h = currentImage ? currentImage->height : 0;
    Button* button = new Button(0, 0, w, h);
    button->setName("default");
    addButton(button);
}

void DialogScreen::setCloseTime(int ms) {
    closeTime = ms;
}

void DialogScreen::drawOverPage(IDirectDrawSurface*) {}

void DialogScreen::answerAnywhereWithoutPicture(const char* buttonName) {
    std::snprintf(anywhereButton, sizeof anywhereButton, "%s", buttonName ? buttonName : "");
}

bool DialogScreen::escapeOpenPage() {
    if (!openPage) return false;
    openPage->escapePending = 1;
    return true;
}

void DialogScreen::fillForMissingPictures() {
    if (!buttonList) return;
    // The hit rectangle is offset by the page's origin: taking it out covers the screen.
    auto fill = [this](Button* button) {
        if (button)
            button->setHitRect(-buttonList->originX, -buttonList->originY, clientWidth,
                               clientHeight);
    };
    // A page that shows nothing closes on a click anywhere, as it would on its picture.
    if (!currentImage || !currentImage->getSurface()) fill(buttonList->find("default"));
    Button* standIn = anywhereButton[0] ? buttonList->find(anywhereButton) : nullptr;
    if (standIn && standIn->imageCount() == 0) fill(standIn);
}

void DialogScreen::pressBack() {
    escapePending = 0;
    Button* back = buttonList ? buttonList->find("back") : nullptr;
    if (!back && buttonList) back = buttonList->find("default");
    if (!back) {
        close(nullptr);
        return;
    }
    // Only the first clicked button answers: this click is the back button's alone.
    for (int i = 0; i < buttonList->getCount(); ++i) buttonList->get(i)->clicked = 0;
    back->clicked = 1;
    back->clickKind = 1;
}

void DialogScreen::takeKey(int event) {
    const NavEvent e = takeNavEvent(event);
    if (e.action == NavAction::Back) {
        pressBack();
        return;
    }
    if (focus.take(e, buttonList) != FocusRing::Taken::No) return;
    if (e.action == NavAction::Press) pressBack();  // a page with nothing to choose
}

void DialogScreen::buildFocus() {
    static const char* const kNotChoices[] = {"default", nullptr};
    focus.clear();
    focus.addButtons(buttonList, kNotChoices);
    if (!focus.focusButton("back")) focus.focusFirst();
}

int DialogScreen::run(char* resultOut, const char* imageName) {
    closed = 0;
    if (!imageName) {
        currentImage =
            dialogImages && dialogImages->getCount() > 0 ? dialogImages->at<Image>(0) : nullptr;
    } else {
        selectImage(imageName);
    }
    fillForMissingPictures();
    buildFocus();
    IDirectDrawSurface* previousWorking = dirtyRects.getWorkingBackground();
    const bool ownsBackground = ownBackground == 1;
    if (ownsBackground)
        dirtyRects.setWorkingBackground(currentImage ? currentImage->getSurface() : nullptr);
    name[0] = '\0';
    // This page takes Esc until it ends; a page it was opened from takes it again then.
    struct OpenPage {
        DialogScreen* const outer;
        explicit OpenPage(DialogScreen* page) : outer(openPage) { openPage = page; }
        ~OpenPage() { openPage = outer; }
        OpenPage(const OpenPage&) = delete;
        OpenPage& operator=(const OpenPage&) = delete;
    } open(this);
    escapePending = 0;

    while (!closed) {
        int x = 0, y = 0, buttons = 0;
        mouseCursor.getState(&x, &y, &buttons, nullptr, nullptr);
        pointerForButtons(&x, &y);
        if (!handleInput(x, y, buttons) || pumpMessages() == 1) {
            if (ownsBackground) dirtyRects.setWorkingBackground(previousWorking);
            return 0;
        }
        if (currentImage) currentImage->drawAt(::backBuffer, left, top);
        if (buttonList) buttonList->handleMouse(x, y, buttons);
        // After the mouse: its step clears the clicks, and the next input step reads this one.
        if (escapePending) pressBack();
        for (int event = popKeyEvent(); event != 0; event = popKeyEvent()) takeKey(event);
        if (buttonList) buttonList->redrawAll();
        drawOverPage(::backBuffer);
        // The page is drawn whole every frame: the glow needs no restoring.
        const RECT page{left, top, right, bottom};
        focus.draw(::backBuffer, &page, false);
        present();
    }

    if (ownsBackground) dirtyRects.setWorkingBackground(previousWorking);
    // The page's last glow goes at once: the opener's first frame would show it again.
    RECT glow{};
    if (focusShown() && focus.glowBox(&glow))
        blitRegion(dirtyRects.getWorkingBackground(), glow.left, glow.top, glow.right - glow.left,
                   glow.bottom - glow.top, ::backBuffer, glow.left, glow.top);
    if (resultOut) std::snprintf(resultOut, sizeof name, "%s", name);
    return 1;
}
