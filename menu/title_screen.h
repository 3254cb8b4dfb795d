// A game's title screen in the menu: the game's title picture and buttons from its folder,
// the eight player names (a click picks the current player), the sound switches, the
// information pages, the hall of fame, the players page, and "Play", which starts the game.
#pragma once

#include <string>

#include "framework/screen.h"
#include "menu/game_entry.h"

class BitmapFont;
class TextField;

class TitleScreen : public Screen {
public:
    TitleScreen();
    ~TitleScreen() override;

    void setGame(GameEntry* game) { selectedGame = game; }
    void enter(IDirectDraw* dd, IDirectDrawSurface* back) override;
    void leave() override;
    int update(int active) override;
    int present() override;

    static constexpr int kPlayers = 8;

    GameEntry* selectedGame;
    BitmapFont* normalFont;
    BitmapFont* selectedFont;
    TextField* nameFields[kPlayers];
    int currentPlayer;
    int sfxOn;
    int musicOn;

private:
    // Shows a page from the game's title folder until a click closes it; false when the
    // program is quitting.
    bool showPage(const char* file);
    bool showHallOfFame();
    bool showPlayers();
    // Starts the selected game with the menu folder as its command line; false, with
    // nothing started, when that folder's path does not fit.
    bool startGame();
    // Writes a switch to the menu folder's options.ini at once.
    void toggle(const char* buttonName, const char* key, int& on);
    // The keys and pad buttons of the frame, after the mouse step.
    void takeKeys();
    // Chooses the name at (x, y), as a click there does: the others are no longer chosen.
    void selectAt(int x, int y);
    // Draws name field i and queues its box to be restored, as every frame does.
    void drawName(int i);

    int previousButtons = -1;
    // What each name field last drew: its text and font, and whether it drew them over its
    // box just restored from the working background.
    struct ShownName {
        std::string text;
        int selected = -1;
        bool overBackground = false;
    };
    ShownName shownNames[kPlayers];
};

extern TitleScreen titleScreen;
