#include "platform/storage/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/storage/user_data.h"

namespace platform {

int openRegularFile(const std::string& path) {
    // Non-blocking, so that opening a FIFO returns at once; the check follows on the
    // descriptor itself, so the file cannot be swapped in between.
    const int fd = ::open(readablePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = EINVAL;
        return -1;
    }
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

std::FILE* openRegularFileStream(const std::string& path) {
    const int fd = openRegularFile(path);
    if (fd < 0) return nullptr;
    std::FILE* f = ::fdopen(fd, "rb");
    if (f == nullptr) ::close(fd);
    return f;
}

bool readRegularFile(const std::string& path, std::vector<unsigned char>& out,
                     std::size_t maxBytes) {
    const int fd = openRegularFile(path);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || static_cast<unsigned long long>(st.st_size) > maxBytes) {
        ::close(fd);
        return false;
    }
    out.clear();
    unsigned char chunk[65536];
    bool ok = true;
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        out.insert(out.end(), chunk, chunk + n);
        // A file that grew while it was read is refused as well.
        if (out.size() > maxBytes) {
            ok = false;
            break;
        }
    }
    ::close(fd);
    if (!ok) out.clear();
    return ok;
}

}  // namespace platform
