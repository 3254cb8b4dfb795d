#include "framework/screen_manager.h"

#include <cstring>

ScreenManager screenManager;

ScreenManager::ScreenManager()
    : screens(new PtrArray(1)), current(nullptr), directDraw(nullptr), backBuffer(nullptr) {}

ScreenManager::~ScreenManager() {
    delete screens;
}

void ScreenManager::setDisplay(IDirectDraw* dd, IDirectDrawSurface* back) {
    directDraw = dd;
    backBuffer = back;
}

void ScreenManager::addScreen(Screen* screen) {
    if (screen) screens->add(screen);
}

Screen* ScreenManager::selectScreen(const char* name) {
    if (!name) return current;
    for (int i = 0; i < screens->getCount(); ++i) {
        Screen* screen = screens->at<Screen>(i);
        if (std::strcmp(screen->getName(), name) != 0) continue;
        if (screen == current) continue;
        if (current) current->leave();
        current = screen;
        current->enter(directDraw, backBuffer);
        return current;
    }
    return current;
}

int ScreenManager::forwardMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return current ? current->handleMessage(hwnd, message, wParam, lParam) : 1;
}

int ScreenManager::updateFrame(int active) {
    return current ? current->update(active) : 0;
}

void ScreenManager::leaveAllScreens() {
    for (int i = 0; i < screens->getCount(); ++i) screens->at<Screen>(i)->leave();
}
