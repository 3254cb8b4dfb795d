// The hall of fame: a modal page showing the twenty rows of the current game's
// hiscore.dat in two columns, with "upload" (the best row to the publisher's score script,
// through the browser), "clear" (empties the file and closes) and "back".
#pragma once

#include <string>

#include "framework/dialog_screen.h"
#include "menu/bitmap_font.h"
#include "menu/game_entry.h"
#include "profile/score_table.h"

class HallOfFameDialog : public DialogScreen {
public:
    static constexpr int kScoreMask = 0x3C3C3C3;
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

    // Copies in to out, replacing every byte but A-Z a-z 0-9 - . _ ~ by "%" and two
    // upper-case hex digits. out needs room for three times the length of in, plus one.
    static char* urlEncode(const char* in, char* out);
    // The upload address of row 0, whole however long: <site>/cgi-bin/hiscore.cgi?game=G
    // &name=N&score=S[&moves=M], each value encoded, S the masked score, M one digit
    // 2 * ring + direction per move when hiscore.moves holds the row's moves. Empty when
    // the game cannot be named.
    std::string buildUploadAddress() const;
    // Draws the name part and score of every non-empty row onto target.
    void drawTable(IDirectDrawSurface* target) const;

    BitmapFont* blackFont;
    BitmapFont* purpleFont;
    ScoreTable* table;
    char gameName[64];
    // The address last opened by "upload" (empty when none or refused).
    std::string uploadAddress;

private:
    void freeOwned();
    void uploadBest();
};
