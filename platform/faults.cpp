#include "platform/faults.h"

#include <cstring>
#include <mutex>
#include <set>
#include <string>

namespace platform {
namespace {

// Every call that checks a fault, by the name it checks.
const char* const kKnown[] = {
    "create-event", "create-surface", "create-thread",     "create-window",  "directdraw-create",
    "directdraw7",  "display",        "file-write",        "global-alloc",   "register-class",
    "sound-buffer", "sound-device",   "time-begin-period", "time-set-event", "timer-caps",
};

std::mutex g_mutex;
std::set<std::string>& active() {
    static auto* names = new std::set<std::string>;  // lives until the process ends
    return *names;
}

}  // namespace

void faultSet(const char* name, bool on) {
    if (!name) return;
    std::lock_guard lock(g_mutex);
    if (on)
        active().insert(name);
    else
        active().erase(name);
}

bool faultActive(const char* name) {
    if (!name) return false;
    std::lock_guard lock(g_mutex);
    return !active().empty() && active().count(name) != 0;
}

bool faultKnown(const char* name) {
    if (!name) return false;
    for (const char* known : kKnown)
        if (std::strcmp(known, name) == 0) return true;
    return false;
}

const char* faultNames() {
    static const std::string names = [] {
        std::string text;
        for (const char* known : kKnown) text += (text.empty() ? "" : ", ") + std::string(known);
        return text;
    }();
    return names.c_str();
}

void faultClearAll() {
    std::lock_guard lock(g_mutex);
    active().clear();
}

}  // namespace platform
