#include "platform/faults.h"

#include <mutex>
#include <set>
#include <string>

namespace platform {
namespace {

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

void faultClearAll() {
    std::lock_guard lock(g_mutex);
    active().clear();
}

}  // namespace platform
