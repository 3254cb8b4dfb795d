// A one-line text entry drawn with the menu's picture font: typed through the shell's key
// queue (characters of the system's text input, whatever the keyboard layout, with
// Backspace, Tab and Enter as keys) with a blinking block caret, or, in selection mode, a
// name that a click selects.
// Its owner calls it for clicks, keys and drawing every frame.
#pragma once

#include "framework/ptr_array.h"
#include "framework/sprite.h"
#include "menu/bitmap_font.h"
#include "platform/display/ddraw.h"

class TextField {
public:
    static constexpr int kEnterKey = 28;
    static constexpr int kTabKey = 15;
    static constexpr int kBackspaceKey = 14;

    TextField();
    ~TextField();
    TextField(const TextField&) = delete;
    TextField& operator=(const TextField&) = delete;

    void setBox(int bx, int by, int w, int h);
    void setOrigin(int ox, int oy);
    // A zeroed buffer of n bytes; the text becomes empty.
    void setCapacity(int n);
    // Copies s when it fits the buffer with its terminator; otherwise the text stays.
    void setText(const char* s);
    const char* getText() const { return text ? text : ""; }
    // A font that stays the owner's; font 0 is the normal font, font 1 the selected one.
    void addFont(BitmapFont* font);
    // A font loaded from file and owned by the field.
    void loadFont(const char* file);
    void setCaret(const char* file);
    // Gaining the focus empties the key queue, so earlier keys are not typed.
    void setFocus(int on);
    void setSelected(int on) { selected = on; }
    void setSelectionMode(int on) { selectionMode = on; }
    void setEditable(int on) { editable = on; }

    // 1 when (mx, my), less the origin, lies in the box, edges included.
    int hitTest(int mx, int my) const;
    // A new left press at (mx, my); returns whether the field is focused afterwards.
    int click(int mx, int my);
    void insertChar(char ch);
    void backspace();
    // One event of the key queue, while focused and editable: a typed character the font
    // can show goes in (any other is dropped, never replaced), Backspace deletes. Returns 28
    // for Enter (focus given up), 15 for Tab (focus kept), else 0.
    int takeKey(int event);
    // takeKey for each queued event until Enter or Tab, or the queue is empty (then 0).
    int processKeys();
    void draw(IDirectDrawSurface* surface);

    int x, y;
    int originX, originY;
    int width, height;
    char* text;
    PtrArray* fonts;
    int capacity;
    int length;
    Sprite* caret;
    int blinkOn;
    int focused;
    int selected;
    int fontsShared;
    int selectionMode;
    int editable;

private:
    BitmapFont* font(int index) const;
    // The font drawing uses: the selected font while selected, else the normal one.
    BitmapFont* drawingFont() const;
};
