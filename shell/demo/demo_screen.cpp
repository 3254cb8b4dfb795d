#include "shell/demo/demo_screen.h"

#include <cstdio>
#include <string_view>

#include "framework/dirty_rect_manager.h"
#include "framework/mouse_cursor.h"
#include "framework/surface_utils.h"
#include "shell/main_window.h"
#include "shell/shell_state.h"

DemoScreen::DemoScreen() {
    setName("demo");
}

DemoScreen::~DemoScreen() {
    DemoScreen::leave();
}

void DemoScreen::addStripButton(const char* buttonName, const char* file, int x, int y) {
    Button* button = new Button(x, y, kButtonWidth, kButtonHeight);
    button->setName(buttonName);
    button->loadStrip(file, 3, 0);
    // The button keeps its own look in the working background instead.
    button->setMarkDirty(0);
    addButton(button);
}

void DemoScreen::enter(IDirectDraw* dd, IDirectDrawSurface* back) {
    Screen::enter(dd, back);
    working = addImage("background.bmp");
    pristine = addImage("background.bmp");
    setWorkingBackground(working ? working->getSurface() : nullptr);
    setPristineBackground(pristine ? pristine->getSurface() : nullptr);
    dirtyRects.refreshAll();

    addStripButton("one", "ButtonOne.bmp", kOneX, kOneY);
    addStripButton("two", "ButtonTwo.bmp", kTwoX, kTwoY);
    for (int i = 0; i < buttonList->getCount(); ++i) {
        if (working) buttonList->get(i)->drawTo(working->getSurface());
        lastStates[i] = buttonList->get(i)->getState();
    }
    if (working) blitAt(working->getSurface(), ::backBuffer, 0, 0);

    spinner = new Sprite;
    spinner->setName("spinner");
    spinner->loadStrip("Spinner.bmp", 8, 0);
    spinner->setPosition(kSpinnerX, kSpinnerY);
    spinner->setFrameDelay(80);
    spinner->setFrameRange(0, 8);
    spinner->setLoopMode(1);
    spinner->setAnimating(1);

    dialog = new DialogScreen;
    dialog->setName("dialog");
    dialog->createLists();
    dialog->addImageFile("Dialog.bmp", "dialog");
    Button* ok = new Button(kOkX, kOkY, kOkWidth, kOkHeight);
    ok->setName("ok");
    dialog->addButton(ok);

    spinnerOn = true;
    oneClicks = 0;
}

void DemoScreen::leave() {
    // A quit while the dialog runs leaves the screen from inside the dialog's loop; the
    // dialog is then freed once its loop has returned.
    if (!dialogRunning) {
        delete dialog;
        dialog = nullptr;
    }
    delete spinner;
    spinner = nullptr;
    // Only a screen that entered hands its backgrounds back: leaving again at the end of the
    // process must not touch the restoration lists, which may already be gone.
    if (working || pristine) {
        dirtyRects.setWorkingBackground(nullptr);
        dirtyRects.setPristineBackground(nullptr);
    }
    working = pristine = nullptr;
    Screen::leave();
}

void DemoScreen::setSpinning(bool on) {
    spinnerOn = on;
}

void DemoScreen::keepButtonLooks() {
    if (!buttonList || !working) return;
    for (int i = 0; i < buttonList->getCount() && i < 2; ++i) {
        Button* button = buttonList->get(i);
        if (button->getState() == lastStates[i]) continue;
        lastStates[i] = button->getState();
        button->drawTo(working->getSurface());
    }
}

void DemoScreen::openDialog() {
    setWindowTitle("dialog open");
    char result[256] = {};
    dialogRunning = true;
    const int closed = dialog->run(result, "dialog");
    dialogRunning = false;
    if (!working) {
        // The screen was left while the dialog ran (the program is quitting).
        delete dialog;
        dialog = nullptr;
        return;
    }
    // The dialog drew over the scene: bring the whole background back.
    dirtyRects.refreshAll();
    if (working) blitAt(working->getSurface(), ::backBuffer, 0, 0);
    char text[300];
    std::snprintf(text, sizeof text, "dialog %s %s", closed ? "closed" : "aborted", result);
    setWindowTitle(text);
}

int DemoScreen::update(int) {
    int x = 0, y = 0, buttons = 0;
    mouseCursor.getState(&x, &y, &buttons, nullptr, nullptr);
    buttonList->handleMouse(x, y, buttons);
    keepButtonLooks();
    if (Button* clicked = buttonList->firstClicked()) {
        if (clicked->wasClicked() == 1 && std::string_view(clicked->name) == "one") {
            ++oneClicks;
            spinnerOn = !spinnerOn;
            char text[32];
            std::snprintf(text, sizeof text, "one %d", oneClicks);
            setWindowTitle(text);
        } else if (std::string_view(clicked->name) == "two") {
            openDialog();
            if (!working) return 1;  // quit while the dialog ran: nothing left to draw
        }
    }
    if (spinner && spinnerOn) {
        spinner->animate();
        spinner->drawTo(::backBuffer);
    }
    present();
    return 1;
}
