// The players page: a modal page editing the current player's profile in three text
// fields (name, address, e-mail) with a yes/no switch for sending scores; "enter" stores
// the edits, "remove" resets the profile, "back" drops them. With a controller the page
// shows its own on-screen keyboard while a field has the focus.
#pragma once

#include <cstdint>

#include "framework/dialog_screen.h"
#include "menu/bitmap_font.h"
#include "menu/screen_keyboard.h"
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
    // The three fields with their texts and the focused field's caret, over the page, and
    // the on-screen keyboard while it is up.
    void drawOverPage(IDirectDrawSurface* target) override;
    // Typed characters and Backspace go to the focused field; Tab and Enter move to the
    // next field, Enter in the last one saves; the arrows, Enter and Space walk and press
    // the buttons; with a pad, the on-screen keyboard types.
    void takeKey(int event) override;
    // The three fields and the four buttons; the name field has the focus.
    void buildFocus() override;
    // True while the on-screen keyboard is up: a pad in use and a field focused.
    bool keyboardUp() const;

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

    ScreenKeyboard* keyboard;

private:
    void freeOwned();
    // The field with the focus, or -1.
    int focusedField() const;
    // The focus (and the typing) to field i.
    void focusField(int i);
    // The fields' focus follows the page's focus; the system's text input follows them.
    void followFocus();
    // The pad's keyboard's answer for the focused field.
    void typeFromKeyboard(int result);
    // The page's picture for the device in use: with a pad, the one with room for the keyboard.
    void showPageForDevice();
};
