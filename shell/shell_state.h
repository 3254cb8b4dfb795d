// Process-wide state of the application shell, read by the screens and the game.
#pragma once

#include "platform/display/ddraw.h"
#include "platform/win32/win32.h"

extern HWND mainWindow;
extern HINSTANCE appInstance;
extern int fullScreen;
extern int appActive;
extern int showFps;
extern float lastFps;
extern int clientWidth;
extern int clientHeight;
extern int mouseOffsetX;
extern int mouseOffsetY;
extern IDirectDraw* directDraw;
extern IDirectDrawSurface* frontBuffer;
// The surface every screen draws on.
extern IDirectDrawSurface* backBuffer;
// The game's copy of its command line (the menu folder's path); any length.
extern char* commandLine;
