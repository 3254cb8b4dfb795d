// Files and folders: CreateFileA and its relatives, folder listings with Windows
// attribute words, and the current folder. Paths go through resolvePath. A file opened
// for writing is written in memory and saved whole when its handle closes, so that a
// failed save never leaves a half-written file.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/storage/atomic_file.h"
#include "platform/storage/path.h"
#include "platform/storage/regular_file.h"
#include "platform/storage/user_data.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32.h"

namespace platform {
namespace {

thread_local DWORD t_lastError = 0;

DWORD errorOf(int err) {
    switch (err) {
        case ENOENT:
            return ERROR_FILE_NOT_FOUND;
        case ENOTDIR:
            return ERROR_PATH_NOT_FOUND;
        case EACCES:
        case EPERM:
        case EISDIR:
        case EROFS:
            return ERROR_ACCESS_DENIED;
        case ENAMETOOLONG:
            return ERROR_PATH_NOT_FOUND;
        case ENOSPC:
            return ERROR_DISK_FULL;
        case EEXIST:
            return ERROR_ALREADY_EXISTS;
        default:
            return ERROR_INVALID_PARAMETER;
    }
}

class FileObject : public KernelObject {
public:
    std::string path;
    int fd = -1;  // read-only handles read the file directly
    bool readable = false;
    bool writable = false;  // writable handles keep the contents here
    std::vector<unsigned char> data;
    std::uint64_t position = 0;
    bool dirty = false;
    bool writeFailed = false;
    bool saveFailed = false;

    std::uint64_t size() const {
        if (writable) return data.size();
        struct stat st;
        return ::fstat(fd, &st) == 0 ? static_cast<std::uint64_t>(st.st_size) : 0;
    }

    void onClose() override {
        if (fd >= 0) ::close(fd);
        fd = -1;
        if (writable && dirty && !writeFailed)
            saveFailed = !writeFileAtomically(path, data.data(), data.size());
    }
    bool closedCleanly() const override { return !saveFailed; }
};

class FindObject : public KernelObject {
public:
    std::vector<WIN32_FIND_DATAA> entries;
    size_t next = 0;
};

// Windows' wildcards: '*' any run of characters, '?' one character, without regard to
// case; every other character, '[' included, stands for itself.
bool wildcardMatch(const char* mask, const char* name) {
    const char* starMask = nullptr;
    const char* starName = nullptr;
    while (*name) {
        if (*mask == '*') {
            starMask = ++mask;
            starName = name;
        } else if (*mask && (*mask == '?' || std::tolower(static_cast<unsigned char>(*mask)) ==
                                                 std::tolower(static_cast<unsigned char>(*name)))) {
            ++mask;
            ++name;
        } else if (starMask) {
            mask = starMask;
            name = ++starName;
        } else {
            return false;
        }
    }
    while (*mask == '*') ++mask;
    return *mask == '\0';
}

// Whether a save can replace the file at `path` (existing or not): a read-only file is
// refused as on Windows, and the folder must take the temporary file.
bool canSave(const std::string& path, bool exists, const struct stat& st) {
    if (exists && ((st.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)) return false;
    return ::access(folderOf(path).c_str(), W_OK) == 0;
}

bool fill(const std::string& folder, const char* name, WIN32_FIND_DATAA& out) {
    struct stat st;
    const std::string full = folder + "/" + name;
    if (::stat(full.c_str(), &st) != 0) return false;
    std::memset(&out, 0, sizeof out);
    DWORD attr = 0;
    if (S_ISDIR(st.st_mode))
        attr |= FILE_ATTRIBUTE_DIRECTORY;
    else
        attr |= FILE_ATTRIBUTE_ARCHIVE;
    // Read-only belongs to the file, not to the caller: no write bit for anyone.
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attr |= FILE_ATTRIBUTE_READONLY;
    if (name[0] == '.' && std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0)
        attr |= FILE_ATTRIBUTE_HIDDEN;
    out.dwFileAttributes = attr;
    const std::uint64_t size = S_ISDIR(st.st_mode) ? 0 : static_cast<std::uint64_t>(st.st_size);
    out.nFileSizeLow = static_cast<DWORD>(size);
    out.nFileSizeHigh = static_cast<DWORD>(size >> 32);
    std::strncpy(out.cFileName, name, MAX_PATH - 1);
    return true;
}

}  // namespace
}  // namespace platform

using namespace platform;

DWORD GetLastError() {
    return t_lastError;
}
void SetLastError(DWORD error) {
    t_lastError = error;
}

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD, LPSECURITY_ATTRIBUTES, DWORD creation,
                   DWORD, HANDLE) {
    if (!fileName || !*fileName) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    // Reads take the user's copy of an installed file when there is one; writes go there.
    const std::string resolved = resolvePath(fileName);
    const std::string path =
        (access & GENERIC_WRITE) ? writablePath(resolved) : readablePath(resolved);
    if (path.empty()) {  // an installed tree, and the user has no home to write in
        SetLastError(ERROR_BAD_ENVIRONMENT);
        return INVALID_HANDLE_VALUE;
    }
    struct stat st;
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    if ((creation == OPEN_EXISTING || creation == TRUNCATE_EXISTING) && !exists) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (creation == CREATE_NEW && exists) {
        SetLastError(ERROR_ALREADY_EXISTS);
        return INVALID_HANDLE_VALUE;
    }
    if (creation < CREATE_NEW || creation > TRUNCATE_EXISTING ||
        (creation == TRUNCATE_EXISTING && !(access & GENERIC_WRITE))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (!exists && creation != OPEN_EXISTING && creation != TRUNCATE_EXISTING) {
        // A new file exists as soon as it is opened, as on Windows; creating it empty
        // loses nothing and tells at once whether the folder is there and writable.
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            SetLastError(errno == ENOENT ? ERROR_PATH_NOT_FOUND : errorOf(errno));
            return INVALID_HANDLE_VALUE;
        }
        ::close(fd);
    } else if ((access & GENERIC_WRITE) && !canSave(path, exists, st)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    auto* f = new FileObject;
    f->path = path;
    f->readable = (access & GENERIC_READ) != 0;
    if (access & GENERIC_WRITE) {
        f->writable = true;
        const bool truncate = creation == CREATE_ALWAYS || creation == TRUNCATE_EXISTING || !exists;
        if (!truncate) {
            const int fd = openRegularFile(path);
            if (fd < 0) {
                SetLastError(errorOf(errno));
                delete f;
                return INVALID_HANDLE_VALUE;
            }
            unsigned char chunk[65536];
            ssize_t n;
            while ((n = ::read(fd, chunk, sizeof chunk)) > 0)
                f->data.insert(f->data.end(), chunk, chunk + n);
            ::close(fd);
        }
        // An existing file that is emptied is replaced whole when the handle closes.
        f->dirty = truncate && exists;
    } else {
        f->fd = openRegularFile(path);
        if (f->fd < 0) {
            SetLastError(errorOf(errno));
            delete f;
            return INVALID_HANDLE_VALUE;
        }
    }
    SetLastError(exists && (creation == OPEN_ALWAYS || creation == CREATE_ALWAYS)
                     ? ERROR_ALREADY_EXISTS
                     : 0);
    return handleRegister(f);
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, LPVOID) {
    auto* f = handleAs<FileObject>(file);
    if (read) *read = 0;
    if (!f || (!buffer && toRead)) {
        SetLastError(f ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!f->readable) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    DWORD got = 0;
    if (f->writable) {
        if (f->position < f->data.size()) {
            got = static_cast<DWORD>(std::min<std::uint64_t>(toRead, f->data.size() - f->position));
            std::memcpy(buffer, f->data.data() + f->position, got);
        }
    } else {
        while (got < toRead) {
            const ssize_t n = ::pread(f->fd, static_cast<char*>(buffer) + got, toRead - got,
                                      static_cast<off_t>(f->position + got));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                SetLastError(errorOf(errno));
                return FALSE;
            }
            if (n == 0) break;
            got += static_cast<DWORD>(n);
        }
    }
    f->position += got;
    if (read) *read = got;
    return TRUE;  // reading at the end gives 0 bytes and success, as on Windows
}

BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPVOID) {
    auto* f = handleAs<FileObject>(file);
    if (written) *written = 0;
    if (!f || !f->writable || (!buffer && toWrite)) {
        SetLastError(f ? ERROR_ACCESS_DENIED : ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (faultActive("file-write")) {
        // A full disk: nothing of this handle reaches the file.
        f->writeFailed = true;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    if (f->position + toWrite > f->data.size()) f->data.resize(f->position + toWrite);
    std::memcpy(f->data.data() + f->position, buffer, toWrite);
    f->position += toWrite;
    f->dirty = true;
    if (written) *written = toWrite;
    return TRUE;
}

DWORD SetFilePointer(HANDLE file, LONG distance, LPLONG distanceHigh, DWORD method) {
    auto* f = handleAs<FileObject>(file);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    std::int64_t move = distance;
    if (distanceHigh)
        move = (static_cast<std::int64_t>(*distanceHigh) << 32) | static_cast<DWORD>(distance);
    std::int64_t base = 0;
    if (method == FILE_CURRENT)
        base = static_cast<std::int64_t>(f->position);
    else if (method == FILE_END)
        base = static_cast<std::int64_t>(f->size());
    else if (method != FILE_BEGIN) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    const std::int64_t target = base + move;
    if (target < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);  // before the start of the file
        return INVALID_SET_FILE_POINTER;
    }
    f->position = static_cast<std::uint64_t>(target);
    if (distanceHigh) *distanceHigh = static_cast<LONG>(target >> 32);
    SetLastError(0);
    return static_cast<DWORD>(target);
}

DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh) {
    auto* f = handleAs<FileObject>(file);
    if (!f) {
        SetLastError(ERROR_INVALID_HANDLE);
        return INVALID_FILE_SIZE;
    }
    const std::uint64_t size = f->size();
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size);
}

HANDLE FindFirstFileA(LPCSTR pattern, LPWIN32_FIND_DATAA data) {
    if (!pattern || !data) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::string p = pattern;
    for (char& c : p)
        if (c == '\\') c = '/';
    const size_t slash = p.rfind('/');
    const std::string folder =
        slash == std::string::npos ? "." : resolvePath(p.substr(0, slash).c_str());
    std::string mask = slash == std::string::npos ? p : p.substr(slash + 1);
    if (mask == "*.*") mask = "*";  // Windows' "all files", extension or not
    DIR* d = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (!d) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    auto* f = new FindObject;
    while (dirent* e = ::readdir(d)) {
        if (!wildcardMatch(mask.c_str(), e->d_name)) continue;
        WIN32_FIND_DATAA entry;
        if (fill(folder.empty() ? "/" : folder, e->d_name, entry)) f->entries.push_back(entry);
    }
    ::closedir(d);
    if (f->entries.empty()) {
        delete f;
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    *data = f->entries[f->next++];
    return handleRegister(f);
}

BOOL FindNextFileA(HANDLE find, LPWIN32_FIND_DATAA data) {
    auto* f = handleAs<FindObject>(find);
    if (!f || !data) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (f->next >= f->entries.size()) {
        SetLastError(ERROR_NO_MORE_FILES);
        return FALSE;
    }
    *data = f->entries[f->next++];
    return TRUE;
}

BOOL FindClose(HANDLE find) {
    if (!handleAs<FindObject>(find)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return CloseHandle(find);
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
    char cwd[4096];
    if (!::getcwd(cwd, sizeof cwd)) {
        SetLastError(errorOf(errno));
        return 0;
    }
    const DWORD length = static_cast<DWORD>(std::strlen(cwd));
    // Too small a buffer gets nothing and learns the size it needs, NUL included.
    if (!buffer || size <= length) return length + 1;
    std::memcpy(buffer, cwd, length + 1);
    return length;
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
    if (!path || ::chdir(resolvePath(path).c_str()) != 0) {
        SetLastError(path ? errorOf(errno) : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
    if (!fileName || ::unlink(resolvePath(fileName).c_str()) != 0) {
        SetLastError(fileName ? errorOf(errno) : ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return TRUE;
}
