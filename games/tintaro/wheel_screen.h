// Tintaro's one screen: the background, four command buttons, six arms that turn the rings,
// the board of chips, the progress panel and the numbers. It feeds the mouse to its buttons,
// runs the game's step, draws what changed and shows the help page.
#pragma once

#include "framework/dialog_screen.h"
#include "framework/screen.h"
#include "framework/sprite.h"
#include "games/tintaro/wheel_game_view.h"

class WheelScreen : public Screen, public WheelGameView {
public:
    WheelScreen();
    ~WheelScreen() override;

    void enter(IDirectDraw* dd, IDirectDrawSurface* back) override;
    void leave() override;
    int handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    // 7 ends the program; otherwise 1 when the frame was presented, 0 when not.
    int update(int active) override;
    int present() override;

    // The game's per-frame step: the command buttons, the arms, evaluation and drawing.
    int step(WheelGame& game) override;
    void setArmsEnabled(int on) override;
    void showCongratulation() override;

    // Redraw the board, the panel and the numbers into the working background; each does
    // nothing while the game's dirty flag is 0.
    void drawBoard(WheelGame& game);
    void drawPanel(WheelGame& game);
    void drawNumbers(WheelGame& game);
    // The board, the panel and the numbers, then the dirty flag cleared.
    void drawAll(WheelGame& game);
    // The solved screen: board, panel and numbers, with the congratulation picture on top.
    void drawSolved(WheelGame& game);
    // One number right-aligned at `right`, its top at `top`; only digits are drawn.
    void drawNumber(Sprite* strip, int right, int top, const char* text,
                    IDirectDrawSurface* surface);

    Sprite* chipStrip;
    Sprite* blockStrip;
    Sprite* dotStrip;
    Sprite* digitStrip;
    // Exists only while the help page is shown.
    DialogScreen* helpPage;

    // The hint: the arm pulsing in its highlighted look since hintStart on the timer clock.
    // Its plan is kept in the game's move log and saved with the game.
    Button* hintArm = nullptr;
    int hintStart = 0;
    bool hintRequested = false;

private:
    bool entered = false;
    // Set once the game has been saved on its way out, so that closing saves it only once.
    bool saved = false;
    // The frame's keys and pad buttons, after the mouse step: the focus, and the letters and
    // pad buttons that press the commands.
    void takeKeys();
    // Lights the arm of the game's next hinted click.
    void showHint(WheelGame& game);
    // Lit or not by the pulse's phase; over after two seconds.
    void pulseHint();
    void endHintLook();
    // Shows the help page until a click closes it; false when the program is quitting.
    bool showHelp(WheelGame& game);
    // The menu program in the folder on the command line, into `path`; false when there is
    // none or the path would not fit.
    bool menuProgram(char (&path)[256]) const;
};

extern WheelScreen wheelScreen;
