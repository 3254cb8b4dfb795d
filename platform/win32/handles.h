// Kernel objects behind HANDLE values (files, events, threads). CloseHandle accepts
// only handles that are registered here, so a stale or foreign value is refused
// instead of freed twice.
#pragma once

#include "platform/win32/win32.h"

namespace platform {

class KernelObject {
public:
    virtual ~KernelObject() = default;
    // Called by CloseHandle; the object is unregistered and deleted afterwards.
    virtual void onClose() {}
    // False when onClose could not finish its work (a file handle whose contents could
    // not be saved); CloseHandle then reports failure. The last error says why.
    virtual bool closedCleanly() const { return true; }
};

// Registers obj and returns it as a HANDLE.
HANDLE handleRegister(KernelObject* obj);
// The registered object behind h, or null.
KernelObject* handleLookup(HANDLE h);
template <class T>
T* handleAs(HANDLE h) {
    return dynamic_cast<T*>(handleLookup(h));
}

}  // namespace platform
