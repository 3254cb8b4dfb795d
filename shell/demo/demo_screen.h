// The shell's test program screen: a background, two buttons, a spinning sprite and a
// dialog, enough to exercise the frame loop, the buttons, the dirty rectangles and the
// modal dialog loop without the game or the menu.
#pragma once

#include "framework/dialog_screen.h"
#include "framework/screen.h"
#include "framework/sprite.h"

class DemoScreen : public Screen {
public:
    DemoScreen();
    ~DemoScreen() override;
    void enter(IDirectDraw* dd, IDirectDrawSurface* back) override;
    void leave() override;
    int update(int active) override;

    // Shows the sprite spinning, or hides it (button "one" switches between the two).
    void setSpinning(bool on);
    bool spinning() const { return spinnerOn; }
    // Clicks of button "one" so far.
    int clicksOfOne() const { return oneClicks; }

    // Where things are, for tests and benchmarks.
    static constexpr int kOneX = 60, kOneY = 480;
    static constexpr int kTwoX = 240, kTwoY = 480;
    static constexpr int kButtonWidth = 150, kButtonHeight = 50;
    static constexpr int kSpinnerX = 640, kSpinnerY = 150, kSpinnerSize = 48;
    static constexpr int kDialogWidth = 360, kDialogHeight = 200;
    static constexpr int kOkX = 130, kOkY = 140, kOkWidth = 100, kOkHeight = 40;

private:
    void addStripButton(const char* name, const char* file, int x, int y);
    void openDialog();
    // Draws a button whose state changed into the working background too, so that the
    // dirty rectangles of things drawn over it restore its new look.
    void keepButtonLooks();

    Image* working = nullptr;
    Image* pristine = nullptr;
    Sprite* spinner = nullptr;
    DialogScreen* dialog = nullptr;
    bool spinnerOn = true;
    bool dialogRunning = false;
    int oneClicks = 0;
    int lastStates[2] = {-1, -1};
};
