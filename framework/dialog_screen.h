// A screen that runs modally over the current scene: it draws its image, feeds its
// buttons the mouse and pumps window messages until a button (or Esc, a close time, or a
// quit request) ends it, then hands back its result text.
#pragma once

#include "framework/image.h"
#include "framework/ptr_array.h"
#include "framework/screen.h"

class DialogScreen : public Screen {
public:
    DialogScreen();
    ~DialogScreen() override;

    void createLists() override;
    void leave() override;
    // Also looks among the dialog's own images first (see findImage below).
    Image* findImage(const char* name) override;

    // (-1, -1) centres the image in the drawing area unless already placed.
    virtual void setPosition(int x, int y);
    virtual void close(const char* result);
    // Runs the modal loop; copies the result (at most 255 characters and the terminator)
    // to resultOut. Returns 1 when closed, 0 when aborted by input or a quit request.
    virtual int run(char* resultOut, const char* imageName);
    // Per-frame input step; 0 aborts run.
    virtual int handleInput(int x, int y, int buttons);
    virtual int checkClose();
    virtual void setImage(Image* image);
    virtual void selectImage(const char* name);
    virtual Image* addImageFile(const char* file, const char* name);
    virtual void setOwnBackground(int flag);
    virtual void addDefaultButton();
    virtual void setCloseTime(int ms);
    // Draws what lies on top of the page and its buttons, each frame before it is
    // presented; the page is blitted whole every frame, so anything drawn earlier in the
    // frame would be covered. The base draws nothing.
    virtual void drawOverPage(IDirectDrawSurface* target);
    // One event of the keyboard queue (keys, pad buttons, typed characters), taken after the
    // frame's mouse step: the base walks and presses the focus, and the pad's B and Press on a
    // page without choices close the page as its back button would.
    virtual void takeKey(int event);
    // The choices the focus walks between, made when the page starts running: the base takes
    // every button but "default", the focus on "back" or else the first.
    virtual void buildFocus();
    // While the named button has no picture it takes every click in the drawing area that
    // no button before it takes, so that a page whose way back did not load can be left.
    void answerAnywhereWithoutPicture(const char* buttonName);

    // Esc for the innermost page running: on its next frame the button "back" (else
    // "default") is clicked, so the page closes as that button closes it; a page with
    // neither closes with an empty result. False when no page is running.
    static bool escapeOpenPage();

    // The first dialog image of that name, or null.
    Image* findDialogImage(const char* name) const;
    const char* result() const { return name; }

    PtrArray* dialogImages;
    Image* currentImage;
    int closed;
    int left, top, right, bottom;
    int originX, originY;
    int ownBackground;
    int closeTime;

protected:
    // Clicks "back" (else "default") on the next frame's input step, as Esc does.
    void pressBack();

private:
    void freeDialogImages();
    // Gives the buttons that would leave no way out without their pictures the whole
    // drawing area, once the page is placed.
    void fillForMissingPictures();

    char anywhereButton[64];
    int escapePending;
    static DialogScreen* openPage;
};
