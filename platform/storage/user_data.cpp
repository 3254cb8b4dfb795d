#include "platform/storage/user_data.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>
#include <vector>

#include "platform/storage/path.h"
#include "platform/win32/win32.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::mutex g_mutex;
std::string g_installedRoot;  // without a trailing slash; empty: no mapping
std::string g_userRoot;       // empty while mapping: there is no user's folder to write in

constexpr const char* kMarker = "userdata.ini";

// The user's home folder: $HOME when it is absolute, else the password database's entry;
// empty when there is none.
std::string homeFolder() {
    if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
    // A session without HOME (a service, a cleared environment) still belongs to a user.
    long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
    struct passwd entry {};
    struct passwd* found = nullptr;
    while (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20))
        buffer.resize(buffer.size() * 2);
    if (!found || !found->pw_dir || found->pw_dir[0] != '/') return std::string();
    // An account whose home does not exist ("/nonexistent") has none to save in.
    struct stat st {};
    if (::stat(found->pw_dir, &st) != 0 || !S_ISDIR(st.st_mode)) return std::string();
    return found->pw_dir;
}

}  // namespace

std::string userDataHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') return xdg;
    const std::string home = homeFolder();
    return home.empty() ? home : home + "/.local/share";
}

namespace {

// The user's path of `path` when it lies in the installed tree, else empty; `inTree` tells
// whether it lies there (the path is empty then too when there is no user's folder).
std::string userPathOf(const std::string& path, bool* inTree = nullptr) {
    if (inTree) *inTree = false;
    std::lock_guard lock(g_mutex);
    if (g_installedRoot.empty() || path.empty()) return std::string();
    std::error_code ec;
    fs::path absolute = path[0] == '/' ? fs::path(path) : fs::current_path(ec) / path;
    if (ec) return std::string();
    const std::string normal = absolute.lexically_normal().string();
    if (normal.size() <= g_installedRoot.size() ||
        normal.compare(0, g_installedRoot.size(), g_installedRoot) != 0 ||
        normal[g_installedRoot.size()] != '/')
        return std::string();
    if (inTree) *inTree = true;
    if (g_userRoot.empty()) return std::string();
    // Found without regard to case inside the user's folder too.
    return resolvePath((g_userRoot + normal.substr(g_installedRoot.size())).c_str());
}

}  // namespace

void setUserDataRoots(const std::string& installedRoot, const std::string& userRoot) {
    std::lock_guard lock(g_mutex);
    g_installedRoot = installedRoot;
    g_userRoot = userRoot;
    while (g_installedRoot.size() > 1 && g_installedRoot.back() == '/') g_installedRoot.pop_back();
    while (g_userRoot.size() > 1 && g_userRoot.back() == '/') g_userRoot.pop_back();
}

void setUpUserData() {
    for (const char* folder : {".", ".."}) {
        const std::string marker = resolvePath((std::string(folder) + "/" + kMarker).c_str());
        struct stat st {};
        if (::stat(marker.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        char name[256] = {};
        GetPrivateProfileStringA("userdata", "folder", "", name, sizeof name, marker.c_str());
        const std::string folderName = name;
        // A plain folder name only: the marker cannot send saves elsewhere.
        if (folderName.empty() || folderName == "." || folderName == ".." ||
            folderName.find('/') != std::string::npos || folderName.find('\\') != std::string::npos)
            return;
        std::error_code ec;
        const fs::path root = fs::canonical(folder, ec);
        if (ec) return;
        // Without a home the tree is still mapped, with nowhere to write: saves fail.
        const std::string home = userDataHome();
        setUserDataRoots(root.string(), home.empty() ? home : home + "/" + folderName);
        return;
    }
}

std::string readablePath(const std::string& path) {
    const std::string user = userPathOf(path);
    struct stat st {};
    if (!user.empty() && ::lstat(user.c_str(), &st) == 0) return user;
    return path;
}

std::string writablePath(const std::string& path) {
    bool inTree = false;
    const std::string user = userPathOf(path, &inTree);
    if (user.empty()) return inTree ? user : path;
    std::error_code ec;
    fs::create_directories(fs::path(user).parent_path(), ec);
    return user;
}

std::string writableFolder(const std::string& folder) {
    bool inTree = false;
    // Mapped as a file in it would be; the file's name plays no part.
    const std::string user = userPathOf(folder + "/file", &inTree);
    if (!inTree) return folder;
    return user.empty() ? user : fs::path(user).parent_path().string();
}

std::string shownFolder(const std::string& path) {
    std::error_code ec;
    // With nowhere to write, the folder the file was meant for.
    const std::string written = writablePath(path);
    fs::path folder = fs::path(written.empty() ? path : written).parent_path();
    if (folder.empty()) folder = ".";
    if (folder.is_relative()) folder = fs::absolute(folder, ec);
    std::string shown = folder.lexically_normal().string();
    while (shown.size() > 1 && shown.back() == '/') shown.pop_back();
    const std::string h = homeFolder();
    if (h.size() > 1 && (shown == h || shown.rfind(h + "/", 0) == 0))
        shown = "~" + shown.substr(h.size());
    return shown;
}

bool enterProgramFolder() {
    std::error_code ec;
    const fs::path self = fs::canonical("/proc/self/exe", ec);
    if (ec) return false;
    return ::chdir(self.parent_path().c_str()) == 0;
}

}  // namespace platform
