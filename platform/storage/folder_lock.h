// Serialises the saves of several processes in one data folder: a read of a saved file, the
// change and its atomic replacement happen under an exclusive flock on the folder itself, so
// two copies of a program (or the menu and a game) each change only what they changed.
#pragma once

#include <string>

namespace platform {

class FolderLock {
public:
    // Locks the folder that a write of `path` (a POSIX path) goes to. Waits a few seconds at
    // most for another process; then goes on without the lock rather than hang. Nested locks
    // of one folder in one process are counted, not taken twice.
    explicit FolderLock(const std::string& path);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return held_; }

private:
    std::string folder_;
    bool held_ = false;
};

}  // namespace platform
