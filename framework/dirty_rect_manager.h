// Restores, after each flip, the rectangles of the back buffer that were drawn over, by
// copying them from the working background. One list per flip buffer.
#pragma once

#include <utility>
#include <vector>

#include "framework/ptr_array.h"
#include "platform/display/ddraw.h"

enum DirtyRectFlags : int {
    DIRTY_ONESHOT = 0x0001,
    DIRTY_BOTHLISTS = 0x0002,
    DIRTY_RESTORE = 0x1000,
    DIRTY_REBUILD = 0x2000,
    // With DIRTY_RESTORE: restored by whoever queued it. Processing only marks it due, and
    // its owner restores it (takeDue) before drawing there again, or leaves it when it would
    // draw there just what is already there.
    DIRTY_OWNER = 0x4000,
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
    // Restores the current list into target, dropping its one-shot rectangles; rectangles
    // with DIRTY_OWNER become due instead (any still due from the last processing are
    // restored first).
    void processList(IDirectDrawSurface* target);
    // True when a restore of exactly this rectangle (queued with DIRTY_OWNER) became due at
    // the last processing and has not been taken; it is taken. A due restore comes from the
    // working background, which has not changed since (a change drops what is due).
    bool takeDue(int x, int y, int width, int height);

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
    // Owners' restores found due by processing, with the surface each was to go to.
    std::vector<std::pair<RECT, IDirectDrawSurface*>> due;
};

extern DirtyRectManager dirtyRects;
