#include "platform/user_data.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/path.h"
#include "platform/win32.h"

namespace platform {
namespace {

namespace fs = std::filesystem;

std::mutex g_mutex;
std::string g_installedRoot;  // without a trailing slash; empty: no mapping
std::string g_userRoot;

constexpr const char* kMarker = "userdata.ini";

}  // namespace

std::string userDataHome() {
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/share";
}

namespace {

// The user's path of `path` when it lies in the installed tree, else empty.
std::string userPathOf(const std::string& path) {
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
        setUserDataRoots(root.string(), userDataHome() + "/" + folderName);
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
    const std::string user = userPathOf(path);
    if (user.empty()) return path;
    std::error_code ec;
    fs::create_directories(fs::path(user).parent_path(), ec);
    return user;
}

std::string shownFolder(const std::string& path) {
    std::error_code ec;
    fs::path folder = fs::path(writablePath(path)).parent_path();
    if (folder.empty()) folder = ".";
    if (folder.is_relative()) folder = fs::absolute(folder, ec);
    std::string shown = folder.lexically_normal().string();
    while (shown.size() > 1 && shown.back() == '/') shown.pop_back();
    const char* home = std::getenv("HOME");
    const std::string h = home ? home : "";
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
