#include "platform/storage/folder_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <map>
#include <mutex>
#include <thread>

#include "platform/storage/path.h"
#include "platform/storage/user_data.h"

namespace platform {
namespace {

struct Held {
    int fd = -1;
    int count = 0;
};

std::mutex g_mutex;
std::map<std::string, Held> g_held;  // folder -> this process's lock on it

constexpr auto kPatience = std::chrono::seconds(3);

// A shared advisory lock would not keep two writers apart; flock on a folder's descriptor
// needs no lock file, so a read-only or foreign folder is left as it is.
int lockFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return -1;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    for (;;) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return fd;
        if (errno != EWOULDBLOCK && errno != EINTR) break;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ::close(fd);
    return -1;
}

}  // namespace

FolderLock::FolderLock(const std::string& path) {
    if (path.empty()) return;
    const std::string written = writablePath(path);
    if (written.empty()) return;  // nowhere to write: nothing to keep apart
    folder_ = folderOf(written);
    std::lock_guard lock(g_mutex);
    Held& held = g_held[folder_];
    if (held.count == 0) {
        held.fd = lockFolder(folder_);
        if (held.fd < 0) {
            g_held.erase(folder_);
            return;
        }
    }
    ++held.count;
    held_ = true;
}

FolderLock::~FolderLock() {
    if (!held_) return;
    std::lock_guard lock(g_mutex);
    auto it = g_held.find(folder_);
    if (it == g_held.end() || --it->second.count > 0) return;
    ::close(it->second.fd);  // closing the last descriptor releases the flock
    g_held.erase(it);
}

}  // namespace platform
