// The registry of kernel objects behind HANDLE values, and CloseHandle.
#include "platform/win32/handles.h"

#include <mutex>
#include <unordered_set>

namespace platform {
namespace {

std::mutex g_mutex;
std::unordered_set<KernelObject*>& registry() {
    static auto* objects = new std::unordered_set<KernelObject*>;  // lives until exit
    return *objects;
}

}  // namespace

HANDLE handleRegister(KernelObject* obj) {
    if (!obj) return nullptr;
    std::lock_guard lock(g_mutex);
    registry().insert(obj);
    return obj;
}

KernelObject* handleLookup(HANDLE h) {
    if (!h || h == INVALID_HANDLE_VALUE) return nullptr;
    std::lock_guard lock(g_mutex);
    auto* obj = static_cast<KernelObject*>(h);
    return registry().count(obj) ? obj : nullptr;
}

}  // namespace platform

BOOL CloseHandle(HANDLE handle) {
    platform::KernelObject* obj = nullptr;
    {
        // Taken out of the registry first, so that a second close of the same value,
        // even from another thread, finds nothing.
        std::lock_guard lock(platform::g_mutex);
        auto* candidate = static_cast<platform::KernelObject*>(handle);
        if (!handle || handle == INVALID_HANDLE_VALUE || !platform::registry().erase(candidate)) {
            SetLastError(ERROR_INVALID_HANDLE);
            return FALSE;
        }
        obj = candidate;
    }
    obj->onClose();
    const bool clean = obj->closedCleanly();
    delete obj;
    return clean ? TRUE : FALSE;
}
