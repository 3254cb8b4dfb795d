// Restores, after each flip, the rectangles of the back buffer that were drawn over, by
// copying them from the working background. One list per flip buffer.
#pragma once

#include "framework/ptr_array.h"
#include "platform/ddraw.h"

enum DirtyRectFlags : int {
    DIRTY_ONESHOT = 0x0001,
    DIRTY_BOTHLISTS = 0x0002,
    DIRTY_RESTORE = 0x1000,
    DIRTY_REBUILD = 0x2000,
};

struct DirtyRect {
    int x;
    int y;
    int width;
    int height;
    int flags;
    IDirectDrawSurface* workingAtQueue;
    IDirectDrawSurface* pristineAtQueue;
};

class DirtyRectManager {
public:
    DirtyRectManager();
    ~DirtyRectManager();
    DirtyRectManager(const DirtyRectManager&) = delete;
    DirtyRectManager& operator=(const DirtyRectManager&) = delete;

    // Drops every one-shot rectangle of both lists, then uses surface as working background.
    void setWorkingBackground(IDirectDrawSurface* surface);
    void setPristineBackground(IDirectDrawSurface* surface);
    IDirectDrawSurface* getWorkingBackground() const { return workingBackground; }
    IDirectDrawSurface* getPristineBackground() const { return pristineBackground; }

    void queueRect(int x, int y, int width, int height, int flagsA, int flagsB);
    void queueRect(const RECT* r, int flagsA, int flagsB);
    // Copies the rectangle from the pristine to the working background now, then queues it.
    void restoreNow(int x, int y, int width, int height);
    // Copies the whole pristine background into the working one and queues all of it.
    void refreshAll();
    void flip() { listIndex = 1 - listIndex; }
    // Restores the current list into target, dropping its one-shot rectangles.
    void processList(IDirectDrawSurface* target);

    // Rectangles waiting in list 0 or 1 (for inspection).
    int pendingCount(int list) const { return lists[list & 1]->getCount(); }
    const DirtyRect* pending(int list, int index) const {
        return lists[list & 1]->at<DirtyRect>(index);
    }

    int listIndex;
    PtrArray* lists[2];
    IDirectDrawSurface* workingBackground;
    IDirectDrawSurface* pristineBackground;
    int bothLists;
};

extern DirtyRectManager dirtyRects;
