// Saves: always whole, with ordinary permissions whatever they replace, and in the user's own
// data folder or nowhere.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/display/window_placement.h"
#include "platform/faults.h"
#include "platform/storage/atomic_file.h"
#include "platform/storage/path.h"
#include "platform/storage/user_data.h"
#include "platform/win32/win32.h"
#include "tests/platform/folder_fixture.h"

namespace {

using platformtest::openWrite;

class Saves : public platformtest::FolderTest {};

TEST_F(Saves, AtomicWriteReplacesWholeOrNotAtAll) {
    const std::string path = at("options.ini");
    ASSERT_TRUE(platform::writeFileAtomically(path, "first", 5));
    EXPECT_EQ(dir.read("options.ini"), "first");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(platform::writeFileAtomically(path, "second", 6));
    EXPECT_EQ(dir.read("options.ini"), "second");
    struct stat st;
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u) << "a save has ordinary permissions";

    platform::faultSet("file-write", true);
    EXPECT_FALSE(platform::writeFileAtomically(path, "third", 5));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    platform::faultSet("file-write", false);
    EXPECT_EQ(dir.read("options.ini"), "second");

    EXPECT_FALSE(platform::writeFileAtomically(at("missing/options.ini"), "x", 1));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(entriesIn(dir.path()), 1);
}

// A save never takes over the permissions of what it replaces: not a set-user-ID bit of an
// old file, nor those of a file a symbolic link in its place points to, nor the umask's.
TEST_F(Saves, SavesHaveOrdinaryPermissionsWhateverTheyReplace) {
    auto modeOf = [](const std::string& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_mode & 07777 : 0u;
    };
    dir.write("moves.dat", "old");
    ASSERT_EQ(::chmod(at("moves.dat").c_str(), 04777), 0);
    ASSERT_TRUE(platform::writeFileAtomically(at("moves.dat"), "new", 3));
    EXPECT_EQ(modeOf(at("moves.dat")), 0644u);

    dir.write("elsewhere/target.dat", "theirs");
    ASSERT_EQ(::chmod(at("elsewhere/target.dat").c_str(), 04777), 0);
    std::filesystem::create_symlink(at("elsewhere/target.dat"), at("hiscore.dat"));
    ASSERT_TRUE(platform::writeFileAtomically(at("hiscore.dat"), "ours", 4));
    EXPECT_EQ(modeOf(at("hiscore.dat")), 0644u) << "the link is replaced by a plain file";
    EXPECT_EQ(dir.read("hiscore.dat"), "ours");
    EXPECT_EQ(dir.read("elsewhere/target.dat"), "theirs");
    EXPECT_EQ(modeOf(at("elsewhere/target.dat")), 04777u);

    const mode_t umask = ::umask(0);
    const bool fresh = platform::writeFileAtomically(at("fresh.dat"), "x", 1);
    const bool privately = platform::writeFileAtomically(at("private.ini"), "x", 1, 0600);
    ::umask(umask);
    ASSERT_TRUE(fresh && privately);
    EXPECT_EQ(modeOf(at("fresh.dat")), 0644u);
    EXPECT_EQ(modeOf(at("private.ini")), 0600u);
}

// Environment variables changed by a test and put back after it.
class SavedEnvironment {
public:
    explicit SavedEnvironment(std::vector<std::string> names) : names_(std::move(names)) {
        for (const std::string& name : names_) {
            const char* value = std::getenv(name.c_str());
            values_.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    ~SavedEnvironment() {
        for (size_t i = 0; i < names_.size(); ++i) {
            if (values_[i])
                ::setenv(names_[i].c_str(), values_[i]->c_str(), 1);
            else
                ::unsetenv(names_[i].c_str());
        }
    }

private:
    std::vector<std::string> names_;
    std::vector<std::optional<std::string>> values_;
};

// Without a usable HOME the user's data folder is in the home the password database gives,
// never a folder every user shares; with no home at all nothing is saved, and the reason
// says so.
TEST_F(Saves, WithoutHomeSavesGoToTheUsersOwnHomeOrNowhere) {
    SavedEnvironment environment({"HOME", "XDG_DATA_HOME"});
    ::unsetenv("XDG_DATA_HOME");
    const struct passwd* entry = ::getpwuid(::getuid());
    ASSERT_NE(entry, nullptr);
    const std::string home = entry->pw_dir;
    if (!std::filesystem::is_directory(home)) GTEST_SKIP() << "the account has no home folder";
    for (const char* value : {static_cast<const char*>(nullptr), "", "relative/home"}) {
        if (value)
            ::setenv("HOME", value, 1);
        else
            ::unsetenv("HOME");
        const std::string shown = value ? value : "unset";
        EXPECT_EQ(platform::userDataHome(), home + "/.local/share") << "HOME " << shown;
        EXPECT_EQ(platform::shownFolder(home + "/.local/share/Gatefold/options.ini"),
                  "~/.local/share/Gatefold")
            << "HOME " << shown;
    }

    // An account without a home: a fresh user namespace's unmapped user is "nobody", whose
    // home does not exist. The child reports the first check that failed.
    ::unsetenv("HOME");
    const std::string folderName = "studio-no-home-" + std::to_string(::getpid());
    dir.write("menu/userdata.ini", "[userdata]\nfolder=" + folderName + "\n");
    dir.write("menu/setup.ini", "[setup]\nfullscreen=0\n");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (::unshare(CLONE_NEWUSER) != 0) ::_exit(77);
        if (!platform::userDataHome().empty()) ::_exit(2);
        if (::chdir(at("menu").c_str()) != 0) ::_exit(3);
        platform::setUpUserData();
        if (platform::writeFileAtomically(platform::resolvePath("options.ini"), "x", 1) ||
            GetLastError() != ERROR_BAD_ENVIRONMENT)
            ::_exit(4);
        if (openWrite("hiscore.dat", CREATE_ALWAYS) != INVALID_HANDLE_VALUE ||
            GetLastError() != ERROR_BAD_ENVIRONMENT)
            ::_exit(5);
        if (platform::saveWindowState({{0, 0, 800, 600}, false})) ::_exit(6);
        // What the installed tree holds is still read.
        char value[8] = {};
        GetPrivateProfileStringA("setup", "fullscreen", "?", value, sizeof value, ".\\setup.ini");
        ::_exit(value[0] == '0' ? 0 : 7);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    std::error_code ec;
    std::filesystem::remove_all("/tmp/.local/share/" + folderName, ec);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no user namespaces here";
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the first failed check in the child";
    EXPECT_EQ(entriesIn(at("menu")), 2) << "nothing written in the installed tree";
    EXPECT_EQ(platform::describeSaveError(ERROR_BAD_ENVIRONMENT),
              "there is no home folder to save in");
}

}  // namespace
