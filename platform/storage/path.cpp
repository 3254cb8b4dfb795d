#include "platform/storage/path.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace platform {
namespace {

bool exists(const std::string& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0;
}

// The entry of `folder` whose name equals `name` without regard to case, if any.
bool findCaseless(const std::string& folder, const std::string& name, std::string& found) {
    DIR* d = ::opendir(folder.empty() ? "." : folder.c_str());
    if (!d) return false;
    bool ok = false;
    while (dirent* e = ::readdir(d)) {
        if (strcasecmp(e->d_name, name.c_str()) == 0) {
            found = e->d_name;
            ok = true;
            break;
        }
    }
    ::closedir(d);
    return ok;
}

}  // namespace

std::string resolvePath(const char* windowsPath) {
    if (!windowsPath) return std::string();
    std::string path = windowsPath;
    for (char& c : path)
        if (c == '\\') c = '/';
    if (path.empty() || exists(path)) return path;

    std::string out;
    size_t pos = 0;
    if (path[0] == '/') {
        out = "/";
        pos = 1;
    }
    bool missing = false;  // once a folder is missing, the rest is kept as spelled
    while (pos <= path.size()) {
        size_t slash = path.find('/', pos);
        if (slash == std::string::npos) slash = path.size();
        const std::string part = path.substr(pos, slash - pos);
        pos = slash + 1;
        if (part.empty()) continue;
        std::string next = out.empty() ? part : (out.back() == '/' ? out + part : out + "/" + part);
        if (!missing && part != "." && part != ".." && !exists(next)) {
            std::string found;
            const std::string folder = out.empty() ? "." : out;
            if (findCaseless(folder, part, found)) {
                next = out.empty() ? found : (out.back() == '/' ? out + found : out + "/" + found);
            } else {
                missing = true;
            }
        }
        out = next;
        if (slash == path.size()) break;
    }
    if (path.size() > 1 && path.back() == '/' && !out.empty() && out.back() != '/') out += '/';
    return out;
}

std::string profileFolder() {
    if (const char* dir = std::getenv("STUDIO_PROFILE_DIR"); dir && *dir) return dir;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        return std::string(xdg) + "/studio";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.config/studio";
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace platform
