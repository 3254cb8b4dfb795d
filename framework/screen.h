// Base class of every full-screen page: a name, the images it loaded, its buttons, and
// the per-frame update; entering loads, leaving frees.
#pragma once

#include "framework/button.h"
#include "framework/button_list.h"
#include "framework/focus_ring.h"
#include "framework/image.h"
#include "framework/ptr_array.h"
#include "platform/display/ddraw.h"
#include "platform/win32/win32.h"

class Screen {
public:
    Screen();

    virtual void createLists();
    virtual void enter(IDirectDraw* dd, IDirectDrawSurface* back);
    virtual void leave();
    virtual int handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Returns 7 to end the program.
    virtual int update(int active);
    // Copies at most 255 characters; null gives an empty name.
    virtual void setName(const char* text);
    virtual const char* getName();
    // Null when the file does not load.
    virtual Image* addImage(const char* file);
    virtual void freeImages();
    virtual void setWorkingBackground(IDirectDrawSurface* surface);
    virtual void setPristineBackground(IDirectDrawSurface* surface);
    virtual int loadImageSet(const char* iniFile);
    virtual Image* findImage(const char* imageName);
    virtual int drawImageAt(IDirectDrawSurface* surface, const char* imageName, int x, int y);
    virtual int drawImage(IDirectDrawSurface* surface, const char* imageName);
    // Cursor, flip, cursor restore, dirty rectangles; returns the flip's result.
    virtual int present();
    virtual void setPresentDelegate(Screen* screen);
    // Offsets the button by the list's origin and hands it to the list.
    virtual void addButton(Button* button);

    // Frees what still exists (this class's own leave).
    virtual ~Screen();
    Screen(const Screen&) = delete;
    Screen& operator=(const Screen&) = delete;

    char name[256];
    IDirectDraw* directDraw;
    IDirectDrawSurface* backBuffer;
    ButtonList* buttonList;
    PtrArray* images;
    Image* workingImage;
    Image* pristineImage;
    Screen* presentDelegate;
    // The choices keys and pads walk between, and which has the focus.
    FocusRing focus;
};
