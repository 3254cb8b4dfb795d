// Gatefold's first screen: the games found beside the menu as picture buttons on pages of
// twelve, page arrows, an information page, an exit button and a slot that opens the
// publisher's web site.
#pragma once

#include "framework/ptr_array.h"
#include "framework/screen.h"
#include "framework/sprite.h"
#include "menu/game_entry.h"

class GameListScreen : public Screen {
public:
    GameListScreen();
    ~GameListScreen() override;

    void enter(IDirectDraw* dd, IDirectDrawSurface* back) override;
    void leave() override;
    int handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
    int update(int active) override;
    int present() override;

    // Opens the title screen of the game whose program name starts with text (the game
    // names itself when it hands back to the menu). The last match wins.
    void openGameByProgram(const char* text);

    static constexpr int kSlots = 12;
    static constexpr int kSlotX[3] = {14, 271, 528};
    static constexpr int kSlotY[4] = {140, 247, 355, 461};

    Sprite* pageDigits;
    Sprite* collectSprite;
    int page;
    int gameCount;
    PtrArray* games;

private:
    // The frame's keys and pad buttons: the focus walks and presses, pages turn.
    void takeKeys();
    void scanGames();
    void freeGames();
    // Enables exactly the slots that show a game or the collect picture on this page.
    void enableSlotsOfPage();
    int collectSlot() const { return gameCount % kSlots + 1; }
};

extern GameListScreen gameListScreen;
