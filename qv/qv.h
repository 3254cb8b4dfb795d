// The display and input library both programs draw and read input through. Surfaces
// are DirectDraw surfaces; "ok" results are non-zero on success.
#pragma once

#include "platform/display/ddraw.h"
#include "platform/win32/win32.h"

void QVSetInstance(HINSTANCE instance);
void QVDebugEnable(int on);
// Full screen: the desktop, the picture centred and letterboxed, no mode change.
int QVInitDirectX(HWND window, int width, int height, int bits);
// Windowed display of that size.
int QVInitDirectX(HWND window, int width, int height);
void QVPrintError();
int QVSetViewport(int x, int y, int width, int height);
IDirectDraw* QVGetLPDD();
void QVGetDDInfo(IDirectDrawSurface** front, IDirectDrawSurface** back);
int QVFlip();
// The picture changes by itself in `milliseconds` (0: in the next frame): a program at rest
// gets a frame then. A screen whose picture changes with time asks once a frame.
void QVFrameDueIn(int milliseconds);
// Frames presented per second, over the last second of real time.
float QVGetFPS();
void QVSetWindowXY(int x, int y);
// The origin last given to QVSetWindowXY (0, 0 before any).
void QVGetWindowXY(int* x, int* y);
// An off-screen surface in display format (RGB565), or null.
IDirectDrawSurface* QVLoadBitmap(const char* path);
// depth 16: as above; 8: one byte per pixel with the picture's palette attached.
IDirectDrawSurface* QVLoadBitmap(const char* path, int depth);
// The Windows-era spellings, taking writable text.
inline IDirectDrawSurface* QVLoadBitmap(char* path) {
    return QVLoadBitmap(static_cast<const char*>(path));
}
inline IDirectDrawSurface* QVLoadBitmap(char* path, int depth) {
    return QVLoadBitmap(static_cast<const char*>(path), depth);
}
void QVGetRGBABits(DDPIXELFORMAT* format, int* red, int* green, int* blue, int* alpha);
void QVInitFont(HWND window);
void QVFreeFont();
// Draws text on the back buffer with the built-in font; returns the width drawn.
int QVPrintString(const char* text, int x, int y);
inline int QVPrintString(char* text, int x, int y) {
    return QVPrintString(static_cast<const char*>(text), x, y);
}
int QVInitMouse();
int QVAcquireMouse(int acquire);
// Client position and buttons (bit 0 left, bit 1 right); safe from the timer thread.
void QVGetMouseData(int* x, int* y, int* buttons);
int QVInitKeyboard();
// 256 bytes by DirectInput scan code, high bit set while down; null if unavailable.
char* QVGetKeys();
// The oldest game controller press not yet read (platform::PadButton), -1 when none or
// before QVInitKeyboard.
int QVGetPadPress();
// On while a text field takes typed characters (WM_CHAR): the system's text input, and an
// on-screen keyboard where the system has one, follow it.
void QVSetTextInput(int on);
void QVFreeDirectInput();
void QVFreeDirectX();
