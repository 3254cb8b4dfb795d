// The hall of fame: a modal page showing the twenty rows of the current game's
// hiscore.dat in two columns, with "upload" (the best row to the publisher's score script,
// through the browser), "clear" (empties the file and closes) and "back".
#pragma once

#include <cstddef>

#include "framework/dialog_screen.h"
#include "menu/bitmap_font.h"
#include "menu/game_entry.h"
#include "profile/score_table.h"

class HallOfFameDialog : public DialogScreen {
public:
    static constexpr int kScoreMask = 0x3C3C3C3;
    static constexpr int kAddressSize = 256;
    static constexpr int kNamePartSize = 64;

    HallOfFameDialog();
    ~HallOfFameDialog() override;

    // Loads the fonts, the page, its buttons and the current folder's hiscore.dat.
    void createLists() override;
    void leave() override;
    // Acts on the three buttons and draws the table onto the working background; always 1.
    int checkClose() override;

    // The game named in the upload. Without one, the current folder's name is used (the
    // title screen makes the game's folder current).
    void setGame(const GameEntry* game);
    void setGameName(const char* gameName);

    // Copies in to out, replacing the sixteen bytes unsafe in an address by "%" and two
    // lower-case hex digits. out needs room for three times the length of in, plus one.
    static char* urlEncode(const char* in, char* out);
    // The upload address of row 0 into out (size bytes). 0, with out emptied, when the
    // address would not fit.
    int buildUploadAddress(char* out, std::size_t size) const;
    // Draws the name part and score of every non-empty row onto target.
    void drawTable(IDirectDrawSurface* target) const;

    BitmapFont* blackFont;
    BitmapFont* purpleFont;
    ScoreTable* table;
    char gameName[64];
    // The address last opened by "upload" (empty when none or refused).
    char uploadAddress[kAddressSize];

private:
    void freeOwned();
    void uploadBest();
};
