// A screen's focus for keys and pads: the choices it has (its buttons, and boxes that are
// no buttons, such as the title screen's names), which one has the focus, walking to the
// nearest choice in a direction or to the next in reading order, pressing it as a click
// would, and the glow drawn around it, hugging the button's own shape.
#pragma once

#include <vector>

#include "framework/button.h"
#include "framework/button_list.h"
#include "framework/nav_input.h"
#include "platform/display/ddraw.h"

class FocusRing {
public:
    // What take() did with an event.
    enum class Taken { No, Walked, Pressed, BoxPressed };

    void clear();
    // A button; its place, shape and whether it is enabled are read from it each time.
    void addButton(Button* button);
    // Every button of the list, in its order, but those named in `except` (null-ended).
    void addButtons(ButtonList* list, const char* const* except = nullptr);
    // A choice that is no button: an id of the screen's and its box on the screen.
    void addBox(int id, int x, int y, int width, int height);
    int count() const { return static_cast<int>(targets.size()); }

    // The focus on that button or box; false (focus unchanged) when there is none such.
    bool focusButton(const char* name);
    bool focusBox(int id);
    // The first choice that can take the focus.
    void focusFirst();
    Button* focusedButton() const;
    // The focused box's id, -1 when the focus is on a button or nowhere.
    int focusedBox() const;

    // Walks for the four directions, Next and Previous (a revealing event only shows the
    // focus), presses for Press: a button is marked clicked as a click marks it, after the
    // list's mouse step, so that the screen acts on it as on a click; a box is left to the
    // screen (BoxPressed). Other actions are not taken.
    Taken take(const NavEvent& event, ButtonList* list);
    // Marks the button clicked as pressing it would, alone of its list; false when absent.
    static bool click(ButtonList* list, const char* name);
    static void click(ButtonList* list, Button* button);

    // Draws the glow when the focus is shown, clipped to `clip` (null: the surface). With
    // `queueRestore` its rectangle is queued to be restored from the working background
    // after the next two flips, so that the glow never outlives the focus's move.
    void draw(IDirectDrawSurface* surface, const RECT* clip, bool queueRestore);

    // The box the glow covers around the focused choice (for tests and restoration).
    bool glowBox(RECT* box) const;

    static constexpr int kGlow = 7;

private:
    struct Target {
        Button* button = nullptr;
        int id = -1;
        int x = 0, y = 0, width = 0, height = 0;
    };
    bool usable(int index) const;
    RECT boxOf(int index) const;
    int nearest(int from, NavAction direction) const;
    int inReadingOrder(int from, int step) const;
    // The glow around `image` (null: the focused box itself), at the focused choice's place.
    void buildGlow(IDirectDrawSurface* image);

    std::vector<Target> targets;
    int focus = -1;
    // The glow's tones (0 none, 1 outer edge, 2 gold, 3 bright core), for the box it was
    // made for.
    std::vector<unsigned char> glow;
    RECT glowFor{0, 0, 0, 0};
    const IDirectDrawSurface* glowImage = nullptr;
};
