// The buttons of one screen: fed the mouse once per frame, redrawn, asked for clicks.
#pragma once

#include "framework/button.h"
#include "framework/ptr_array.h"

class ButtonList {
public:
    ButtonList();
    // Deletes every button.
    ~ButtonList();
    ButtonList(const ButtonList&) = delete;
    ButtonList& operator=(const ButtonList&) = delete;

    // Takes ownership of button.
    void add(Button* button);
    void handleMouse(int x, int y, int buttons);
    void redrawAll();
    // The first button in list order that reports a click, or null.
    Button* firstClicked();
    // Only the first clicked button can answer.
    int wasClicked(const char* name);
    Button* find(const char* name);
    void removeByName(const char* name);
    void setOrigin(int x, int y);
    void destroyAll();
    int getCount() const { return buttons->getCount(); }
    Button* get(int index) const { return buttons->at<Button>(index); }

    PtrArray* buttons;
    int originX;
    int originY;
};
