// What the game's rules ask of the screen that shows them. The rules never draw or read
// input themselves: the game screen implements this view and attaches it to the game.
#pragma once

class WheelGame;

class WheelGameView {
public:
    virtual ~WheelGameView() = default;
    // One frame of button handling and drawing; 7 ends the program, 5 goes on.
    virtual int step(WheelGame& game) = 0;
    // Shows and enables (1) or hides and disables (0) the six arms.
    virtual void setArmsEnabled(int on) = 0;
    // Puts up the congratulation picture when the puzzle is solved.
    virtual void showCongratulation() = 0;
};
