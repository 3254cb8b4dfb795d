#include "framework/dirty_rect_manager.h"

#include "framework/surface_utils.h"

DirtyRectManager dirtyRects;

DirtyRectManager::DirtyRectManager()
    : listIndex(0),
      lists{new PtrArray(1), new PtrArray(1)},
      workingBackground(nullptr),
      pristineBackground(nullptr),
      bothLists(0) {}

DirtyRectManager::~DirtyRectManager() {
    for (PtrArray* list : lists) {
        list->deleteAll<DirtyRect>();
        delete list;
    }
}

void DirtyRectManager::setWorkingBackground(IDirectDrawSurface* surface) {
    due.clear();
    for (PtrArray* list : lists) {
        for (int i = 0; i < list->getCount();) {
            DirtyRect* r = list->at<DirtyRect>(i);
            if (r->flags & DIRTY_ONESHOT) {
                list->remove(r);
                delete r;
            } else {
                ++i;
            }
        }
    }
    workingBackground = surface;
}

void DirtyRectManager::setPristineBackground(IDirectDrawSurface* surface) {
    pristineBackground = surface;
}

void DirtyRectManager::queueRect(int x, int y, int width, int height, int flagsA, int flagsB) {
    DirtyRect r{x, y, width, height, flagsA | flagsB, workingBackground, pristineBackground};
    if (!(r.flags & DIRTY_BOTHLISTS) && !bothLists) {
        lists[listIndex]->add(new DirtyRect(r));
        return;
    }
    lists[0]->add(new DirtyRect(r));
    lists[1]->add(new DirtyRect(r));
}

void DirtyRectManager::queueRect(const RECT* r, int flagsA, int flagsB) {
    if (!r) return;
    queueRect(r->left, r->top, r->right - r->left, r->bottom - r->top, flagsA, flagsB);
}

void DirtyRectManager::restoreNow(int x, int y, int width, int height) {
    blitRegion(pristineBackground, x, y, width, height, workingBackground, x, y);
    queueRect(x, y, width, height, DIRTY_ONESHOT, DIRTY_RESTORE);
}

void DirtyRectManager::refreshAll() {
    if (!workingBackground) return;
    int w = 0, h = 0;
    getSurfaceSize(workingBackground, &w, &h);
    blitRegion(pristineBackground, 0, 0, w, h, workingBackground, 0, 0);
    queueRect(0, 0, w, h, DIRTY_ONESHOT, DIRTY_RESTORE);
}

void DirtyRectManager::processList(IDirectDrawSurface* target) {
    // A due restore that its owner did not take is not lost.
    for (const auto& [r, onto] : due)
        blitRegion(workingBackground, r.left, r.top, r.right - r.left, r.bottom - r.top, onto,
                   r.left, r.top);
    due.clear();
    PtrArray* list = lists[listIndex];
    for (int i = 0; i < list->getCount();) {
        DirtyRect* r = list->at<DirtyRect>(i);
        if (r->flags & DIRTY_RESTORE) {
            if (r->workingAtQueue == workingBackground) {
                if (r->flags & DIRTY_OWNER)
                    due.push_back({RECT{r->x, r->y, r->x + r->width, r->y + r->height}, target});
                else
                    blitRegion(workingBackground, r->x, r->y, r->width, r->height, target, r->x,
                               r->y);
            }
        } else if (r->flags & DIRTY_REBUILD) {
            if (r->pristineAtQueue == pristineBackground)
                blitRegion(pristineBackground, r->x, r->y, r->width, r->height, workingBackground,
                           r->x, r->y);
            if (r->workingAtQueue == workingBackground)
                blitRegion(workingBackground, r->x, r->y, r->width, r->height, target, r->x, r->y);
        }
        if (r->flags & DIRTY_ONESHOT) {
            list->remove(r);
            delete r;
        } else {
            ++i;
        }
    }
}

bool DirtyRectManager::takeDue(int x, int y, int width, int height) {
    return std::erase_if(due, [&](const auto& d) {
               const RECT& r = d.first;
               return r.left == x && r.top == y && r.right == x + width && r.bottom == y + height;
           }) > 0;
}
