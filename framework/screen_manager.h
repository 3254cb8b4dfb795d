// Knows every screen of the program by name, keeps the current one, and connects the
// shell's messages and frames to it. It does not own the screens.
#pragma once

#include "framework/ptr_array.h"
#include "framework/screen.h"
#include "platform/display/ddraw.h"
#include "platform/win32/win32.h"

class ScreenManager {
public:
    ScreenManager();
    ~ScreenManager();
    ScreenManager(const ScreenManager&) = delete;
    ScreenManager& operator=(const ScreenManager&) = delete;

    void setDisplay(IDirectDraw* dd, IDirectDrawSurface* back);
    void addScreen(Screen* screen);
    // Leaves the current screen and enters the first other screen of that name; returns
    // the current screen afterwards.
    Screen* selectScreen(const char* name);
    // The current screen's answer, or 1 without one.
    int forwardMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // The current screen's update result, or 0 without one; 7 ends the program.
    int updateFrame(int active);
    void leaveAllScreens();
    Screen* getCurrent() const { return current; }

    PtrArray* screens;
    Screen* current;
    IDirectDraw* directDraw;
    IDirectDrawSurface* backBuffer;
};

extern ScreenManager screenManager;
