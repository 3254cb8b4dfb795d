// The players page's own on-screen keyboard, for typing with a game controller: five rows of
// key caps (digits, three rows of letters and the punctuation a name, an address or an e-mail
// needs, then Shift, Space, Delete and Done), walked with the d-pad and pressed with A.
#pragma once

#include "framework/focus_ring.h"
#include "framework/nav_input.h"
#include "framework/sprite.h"
#include "menu/bitmap_font.h"
#include "platform/display/ddraw.h"

class ScreenKeyboard {
public:
    // What take() asks of the page besides a character to type (a positive value).
    enum Result : int { kNothing = 0, kDelete = -1, kDone = -2, kSave = -3 };

    static constexpr int kRows = 5;
    static constexpr int kColumns = 11;
    static constexpr int kKeyWidth = 44, kKeyHeight = 30, kWideWidth = 128;
    static constexpr int kGapX = 4, kGapY = 3;
    static constexpr int kWideKeys = 4;  // Shift, Space, Delete, Done

    ScreenKeyboard();
    ~ScreenKeyboard();
    ScreenKeyboard(const ScreenKeyboard&) = delete;
    ScreenKeyboard& operator=(const ScreenKeyboard&) = delete;

    // The key caps: two-frame strips (normal, focused) of the narrow and the wide keys.
    void load(const char* capFile, const char* wideFile);
    // The keyboard's top-left corner on the screen; the focus goes to the first letter.
    void place(int x, int y);
    // A pad event: the d-pad walks, A presses the focused key, B deletes, X is Shift and
    // Start saves. Returns the character to type (8-bit, positive) or a Result.
    int take(const NavEvent& event);
    // The caps with their labels; the focused one lit and in its glow.
    void draw(IDirectDrawSurface* target, const BitmapFont* normal, const BitmapFont* lit,
              const RECT* clip);

    // The character of a narrow key at row and column with Shift as given, 0 outside.
    static char charAt(int row, int column, bool shift);
    bool shifted() const { return shift; }
    // The focused key: its row and column (row kRows - 1 counts the wide keys).
    bool focusedKey(int* row, int* column) const;

private:
    RECT keyBox(int index) const;
    int keyCount() const { return (kRows - 1) * kColumns + kWideKeys; }

    int left = 0, top = 0;
    bool shift = false;
    Sprite* caps = nullptr;
    Sprite* wideCaps = nullptr;
    FocusRing ring;
};
