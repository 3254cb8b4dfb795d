// The players page: a modal page editing the current player's profile in three text
// fields (name, address, e-mail) with a yes/no switch for sending scores; "enter" stores
// the edits, "remove" resets the profile, "back" drops them.
#pragma once

#include <cstdint>

#include "framework/dialog_screen.h"
#include "menu/bitmap_font.h"
#include "menu/text_field.h"
#include "profile/player_profile.h"
#include "profile/player_roster.h"

class PlayersDialog : public DialogScreen {
public:
    static constexpr int kFields = 3;

    // roster: the profiles' keeper, which "remove" resets the current player through.
    explicit PlayersDialog(PlayerRoster* roster = nullptr);
    ~PlayersDialog() override;

    // Loads the fonts, the page and its buttons and creates the three fields.
    void createLists() override;
    void leave() override;
    // One frame: field clicks on a new left press, the buttons and the keys.
    int handleInput(int x, int y, int buttons) override;
    // The three fields with their texts and the focused field's caret, over the page.
    void drawOverPage(IDirectDrawSurface* target) override;

    void setRoster(PlayerRoster* r) { roster = r; }
    // Shows the profile's texts and send flag; "enter" writes back into it.
    void setProfile(PlayerProfile* p);

    BitmapFont* nFont;
    BitmapFont* hFont;
    TextField* fields[kFields];
    PlayerProfile* profile;
    std::int32_t sendChoice;
    PlayerRoster* roster;

    // The mouse button bits of the last frame, shared by every instance.
    static std::int32_t previousButtons;

private:
    void freeOwned();
};
