// ShellExecuteA without a shell: programs are executed directly and web addresses go to
// the desktop's URL opener, so nothing in a name or a parameters text is ever parsed.
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/backend.h"
#include "platform/storage/path.h"
#include "platform/transcript.h"
#include "platform/win32/shell_execute.h"
#include "platform/win32/win32.h"

extern char** environ;

namespace platform {
namespace {

constexpr int kLaunched = 42;  // any value above 32 means success to the callers

bool isRegularFile(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool endsWithExe(const std::string& name) {
    return name.size() > 4 && strcasecmp(name.c_str() + name.size() - 4, ".exe") == 0;
}

// The file that one Windows-spelled candidate names, trying it without ".exe" when the
// name with it does not exist.
std::string existingProgram(const std::string& candidate) {
    std::string resolved = resolvePath(candidate.c_str());
    if (isRegularFile(resolved)) return resolved;
    if (endsWithExe(candidate)) {
        resolved = resolvePath(candidate.substr(0, candidate.size() - 4).c_str());
        if (isRegularFile(resolved)) return resolved;
    }
    return std::string();
}

bool isAbsolute(const std::string& name) {
    return !name.empty() && (name[0] == '/' || name[0] == '\\');
}

// Spawns argv[0] (searched in PATH when `searchPath`) in `folder` and reaps it later.
int spawn(const std::string& program, const std::vector<std::string>& args,
          const std::string& folder, bool searchPath) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    const int err =
        searchPath ? posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ)
                   : posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (err != 0) {
        if (err == ENOENT) return SE_ERR_FNF;
        if (err == ENOTDIR) return SE_ERR_PNF;
        return SE_ERR_ACCESSDENIED;
    }
    // The caller does not wait; this thread collects the exit status so that no zombie
    // is left behind while the caller keeps running.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return kLaunched;
}

}  // namespace

bool isWebAddress(const char* file) {
    return file && (strncasecmp(file, "http://", 7) == 0 || strncasecmp(file, "https://", 8) == 0);
}

std::string findProgram(const char* file, const char* folder) {
    if (!file || !*file) return std::string();
    const std::string name = file;
    std::string found;
    if (isAbsolute(name)) {
        found = existingProgram(name);
    } else {
        if (folder && *folder) found = existingProgram(std::string(folder) + "/" + name);
        if (found.empty()) found = existingProgram(name);
    }
    if (found.empty()) return found;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(found, ec);
    return ec ? found : absolute.lexically_normal().string();
}

bool isMissingFolder(const char* folder) {
    if (!folder || !*folder) return false;
    struct stat st;
    return ::stat(resolvePath(folder).c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
}

int spawnProgram(const char* file, const char* parameters, const char* folder) {
    if (isMissingFolder(folder)) return SE_ERR_PNF;
    const std::string workFolder = folder && *folder ? resolvePath(folder) : std::string();
    // Absolute, because the child changes folder before the program is executed.
    const std::string program = findProgram(file, folder);
    if (program.empty()) return SE_ERR_FNF;
    if (::access(program.c_str(), X_OK) != 0) return SE_ERR_ACCESSDENIED;
    std::vector<std::string> args;
    if (parameters && *parameters) args.emplace_back(parameters);
    return spawn(program, args, workFolder, false);
}

int openWebAddress(const char* address) {
    if (!address || !*address) return SE_ERR_FNF;
    return spawn("xdg-open", {address}, std::string(), true);
}

}  // namespace platform

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        int) {
    auto result = [](int code) {
        return reinterpret_cast<HINSTANCE>(static_cast<std::intptr_t>(code));
    };
    if (!platform::backend().launchesPrograms()) {
        // A program's working folder that does not exist fails here as the spawn would.
        if (!platform::isWebAddress(file) && platform::isMissingFolder(directory))
            return result(SE_ERR_PNF);
        platform::transcriptWrite({"launch", operation ? operation : "", file ? file : "",
                                   parameters ? parameters : "", directory ? directory : ""});
        return result(platform::kLaunched);
    }
    // Only opening is supported; other verbs have no association here.
    if (operation && *operation && strcasecmp(operation, "open") != 0)
        return result(SE_ERR_NOASSOC);
    if (platform::isWebAddress(file)) return result(platform::openWebAddress(file));
    platform::backend().beforeStartingProgram();
    return result(platform::spawnProgram(file, parameters, directory));
}
