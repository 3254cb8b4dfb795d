#include "framework/button_list.h"

#include <cstring>

ButtonList::ButtonList() : buttons(new PtrArray(1)), originX(0), originY(0) {}

ButtonList::~ButtonList() {
    destroyAll();
    delete buttons;
}

void ButtonList::add(Button* button) {
    if (button) buttons->add(button);
}

void ButtonList::handleMouse(int x, int y, int bits) {
    for (int i = 0; i < buttons->getCount(); ++i) get(i)->handleMouse(x, y, bits);
}

void ButtonList::redrawAll() {
    for (int i = 0; i < buttons->getCount(); ++i) get(i)->redraw();
}

Button* ButtonList::firstClicked() {
    for (int i = 0; i < buttons->getCount(); ++i)
        if (get(i)->clicked) return get(i);
    return nullptr;
}

int ButtonList::wasClicked(const char* name) {
    Button* first = firstClicked();
    if (!first || !name || std::strcmp(first->name, name) != 0) return 0;
    return first->wasClicked();
}

Button* ButtonList::find(const char* name) {
    if (!name) return nullptr;
    for (int i = 0; i < buttons->getCount(); ++i)
        if (std::strcmp(get(i)->name, name) == 0) return get(i);
    return nullptr;
}

void ButtonList::removeByName(const char* name) {
    Button* button = find(name);
    if (!button) return;
    buttons->remove(button);
    delete button;
}

void ButtonList::setOrigin(int x, int y) {
    originX = x;
    originY = y;
    for (int i = 0; i < buttons->getCount(); ++i) get(i)->setOffset(x, y);
}

void ButtonList::destroyAll() {
    buttons->deleteAll<Button>();
}
