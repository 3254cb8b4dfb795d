// The program's one top-level window: its class, creation and window procedure.
#pragma once

#include "platform/win32/win32.h"

int registerMainWindowClass(HINSTANCE instance);
int createMainWindow(HINSTANCE instance);
LRESULT CALLBACK mainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Sets the caption to "<program title> - text" (the game shows its player's name).
void setWindowTitle(const char* text);
// The program title that setWindowTitle and window creation use ("Tintaro" until the shell
// sets the running program's own).
void setWindowTitleBase(const char* title);
const char* windowTitleBase();
