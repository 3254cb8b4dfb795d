#include "platform/storage/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <limits>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/storage/path.h"
#include "platform/storage/user_data.h"
#include "platform/win32/win32.h"

namespace platform {
namespace {

DWORD errorOfWrite(int err) {
    switch (err) {
        case ENOENT:
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return ERROR_ACCESS_DENIED;
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return ERROR_DISK_FULL;
        default:
            return ERROR_WRITE_FAULT;
    }
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        p += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// The process id in a temporary file's name NAME.tmp-PID-N, or 0 when it is not one.
pid_t ownerOfTemporary(const std::string& name) {
    const size_t tag = name.rfind(".tmp-");
    if (tag == std::string::npos || tag == 0) return 0;
    const std::string rest = name.substr(tag + 5);
    const size_t dash = rest.find('-');
    if (dash == std::string::npos) return 0;
    const std::string pid = rest.substr(0, dash), n = rest.substr(dash + 1);
    auto digits = [](const std::string& s) {
        return !s.empty() && s.size() <= 10 &&
               s.find_first_not_of("0123456789") == std::string::npos;
    };
    if (!digits(pid) || !digits(n)) return 0;
    const long long value = std::stoll(pid);
    // Spelt exactly as a save spells it: no sign, no leading zeros, a real process id.
    if (value < 1 || value > std::numeric_limits<pid_t>::max() || std::to_string(value) != pid)
        return 0;
    return static_cast<pid_t>(value);
}

}  // namespace

int removeStaleTemporaryFiles(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return 0;
    std::vector<std::string> stale;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const pid_t pid = ownerOfTemporary(name);
        if (pid == 0) continue;
        // Only a process that no longer exists: one of another user answers EPERM.
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue;
        struct stat st {};
        const std::string path = folder + "/" + name;
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) stale.push_back(path);
    }
    ::closedir(dir);
    int removed = 0;
    for (const std::string& path : stale) removed += ::unlink(path.c_str()) == 0 ? 1 : 0;
    return removed;
}

std::string describeSaveError(unsigned long error) {
    switch (error) {
        case ERROR_DISK_FULL:
            return "the disk is full";
        case ERROR_ACCESS_DENIED:
            return "the folder or the file may not be written";
        case ERROR_PATH_NOT_FOUND:
            return "the folder does not exist";
        case ERROR_BAD_ENVIRONMENT:
            return "there is no home folder to save in";
        default:
            return "the file could not be written";
    }
}

bool writeFileAtomically(const std::string& target, const void* data, std::size_t size,
                         unsigned mode) {
    // A file of an installed tree is saved in the user's own folder.
    const std::string path = target.empty() ? target : writablePath(target);
    if (faultActive("file-write")) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    if (!target.empty() && path.empty()) {  // an installed tree, and the user has no home
        SetLastError(ERROR_BAD_ENVIRONMENT);
        return false;
    }
    if (path.empty() || (size > 0 && !data)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    // A read-only file stays as it is, as Windows refuses to write it.
    struct stat st;
    const bool replacing = ::stat(path.c_str(), &st) == 0;
    if (replacing &&
        (S_ISDIR(st.st_mode) || (st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // A unique temporary name, so that two saves of the same file never share one; the
    // temporary file is created private and then given exactly the requested permissions.
    static std::atomic<unsigned> counter{0};
    std::string temp;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temp = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        SetLastError(errorOfWrite(errno));
        return false;
    }
    bool ok = ::fchmod(fd, static_cast<mode_t>(mode & 07777)) == 0 && writeAll(fd, data, size) &&
              ::fsync(fd) == 0;
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        SetLastError(errorOfWrite(err));
        return false;
    }
    // The rename itself is made durable by syncing the folder that holds it.
    const int dir = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace platform
