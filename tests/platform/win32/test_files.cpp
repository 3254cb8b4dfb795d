// Files and folders: CreateFileA and its relatives, listings, the current folder,
// handles, and saves that survive a full disk.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sched.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
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
#include "tests/support/temp_dir.h"

namespace {

using testsupport::TempDir;

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override { platform::faultClearAll(); }
    void TearDown() override { platform::faultClearAll(); }

    std::string at(const std::string& relative) const { return dir.str() + "/" + relative; }
    int entriesIn(const std::filesystem::path& folder) const {
        return static_cast<int>(std::distance(std::filesystem::directory_iterator(folder),
                                              std::filesystem::directory_iterator()));
    }

    TempDir dir;
};

HANDLE openRead(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

HANDLE openWrite(const std::string& path, DWORD creation) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, creation, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

TEST_F(FilesTest, ReadsSeeksAndSizesAFileFoundWithoutRegardToCase) {
    dir.write("Sounds/Click.wav", "RIFFabcdefgh");
    HANDLE f = openRead(dir.str() + "\\sounds\\CLICK.WAV");
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(f, nullptr), 12u);

    char buffer[16] = {};
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(f, buffer, 4, &got, nullptr));
    EXPECT_EQ(got, 4u);
    EXPECT_EQ(std::string(buffer, 4), "RIFF");

    EXPECT_EQ(SetFilePointer(f, 2, nullptr, FILE_CURRENT), 6u);
    ASSERT_TRUE(ReadFile(f, buffer, 16, &got, nullptr));
    EXPECT_EQ(got, 6u);
    EXPECT_EQ(std::string(buffer, 6), "cdefgh");
    // At the end a read succeeds with nothing.
    ASSERT_TRUE(ReadFile(f, buffer, 16, &got, nullptr));
    EXPECT_EQ(got, 0u);

    EXPECT_EQ(SetFilePointer(f, -3, nullptr, FILE_END), 9u);
    EXPECT_EQ(SetFilePointer(f, 1, nullptr, FILE_BEGIN), 1u);
    EXPECT_EQ(SetFilePointer(f, -5, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    // A failed move leaves the position where it was.
    ASSERT_TRUE(ReadFile(f, buffer, 1, &got, nullptr));
    EXPECT_EQ(buffer[0], 'I');
    // A read handle does not write.
    EXPECT_FALSE(WriteFile(f, "x", 1, &got, nullptr));
    EXPECT_TRUE(CloseHandle(f));
    EXPECT_EQ(dir.read("Sounds/Click.wav"), "RIFFabcdefgh");
}

TEST_F(FilesTest, OpeningFailuresSetTheLastError) {
    EXPECT_EQ(openRead(at("missing.wav")), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(openWrite(at("no/such/folder.dat"), CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(openRead(dir.str()), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    dir.write("there.dat", "x");
    EXPECT_EQ(openWrite(at("there.dat"), CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(openWrite(at("absent.dat"), TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    // A read-only file is not opened for writing.
    ASSERT_EQ(::chmod(at("there.dat").c_str(), 0444), 0);
    EXPECT_EQ(openWrite(at("there.dat"), CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(dir.read("there.dat"), "x");
}

TEST_F(FilesTest, WritesReachTheFileWhenTheHandleCloses) {
    dir.write("hiscore.dat", "old contents");
    HANDLE f = openWrite(dir.str() + "\\HISCORE.DAT", CREATE_ALWAYS);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(f, "new", 3, &written, nullptr));
    EXPECT_EQ(written, 3u);
    // Until the close the old file is whole.
    EXPECT_EQ(dir.read("hiscore.dat"), "old contents");
    // Writing after a seek past the end fills the gap with zeros.
    EXPECT_EQ(SetFilePointer(f, 5, nullptr, FILE_BEGIN), 5u);
    ASSERT_TRUE(WriteFile(f, "!", 1, &written, nullptr));
    EXPECT_EQ(GetFileSize(f, nullptr), 6u);
    EXPECT_TRUE(CloseHandle(f));
    EXPECT_EQ(dir.read("hiscore.dat"), std::string("new\0\0!", 6));
    EXPECT_EQ(entriesIn(dir.path()), 1);
}

TEST_F(FilesTest, OpenAlwaysKeepsAndExtendsTheContents) {
    dir.write("moves.dat", "abcdef");
    HANDLE f = CreateFileA(at("moves.dat").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    char buffer[4];
    DWORD n = 0;
    ASSERT_TRUE(ReadFile(f, buffer, 2, &n, nullptr));
    EXPECT_EQ(std::string(buffer, n), "ab");
    ASSERT_TRUE(WriteFile(f, "XY", 2, &n, nullptr));
    EXPECT_EQ(SetFilePointer(f, 0, nullptr, FILE_END), 6u);
    ASSERT_TRUE(WriteFile(f, "gh", 2, &n, nullptr));
    EXPECT_TRUE(CloseHandle(f));
    EXPECT_EQ(dir.read("moves.dat"), "abXYefgh");
}

TEST_F(FilesTest, NewFileExistsOnceOpened) {
    HANDLE f = openWrite(at("new.dat"), CREATE_ALWAYS);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_TRUE(std::filesystem::exists(at("new.dat")));
    EXPECT_TRUE(CloseHandle(f));
    EXPECT_EQ(std::filesystem::file_size(at("new.dat")), 0u);
}

TEST_F(FilesTest, FullDiskLeavesTheOldFileUntouched) {
    dir.write("hiscore.dat", "twenty scores");
    HANDLE f = openWrite(at("hiscore.dat"), CREATE_ALWAYS);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(f, "half", 4, &written, nullptr));
    platform::faultSet("file-write", true);
    EXPECT_FALSE(WriteFile(f, "rest", 4, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(written, 0u);
    platform::faultSet("file-write", false);
    CloseHandle(f);
    EXPECT_EQ(dir.read("hiscore.dat"), "twenty scores");
    EXPECT_EQ(entriesIn(dir.path()), 1);
}

TEST_F(FilesTest, FailedSaveAtCloseIsReported) {
    dir.write("hiscore.dat", "twenty scores");
    HANDLE f = openWrite(at("hiscore.dat"), CREATE_ALWAYS);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(f, "new", 3, &written, nullptr));
    platform::faultSet("file-write", true);
    EXPECT_FALSE(CloseHandle(f));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    platform::faultSet("file-write", false);
    EXPECT_EQ(dir.read("hiscore.dat"), "twenty scores");
    // The handle is gone all the same.
    EXPECT_FALSE(CloseHandle(f));
}

TEST_F(FilesTest, AtomicWriteReplacesWholeOrNotAtAll) {
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
TEST_F(FilesTest, SavesHaveOrdinaryPermissionsWhateverTheyReplace) {
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
TEST_F(FilesTest, WithoutHomeSavesGoToTheUsersOwnHomeOrNowhere) {
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

TEST_F(FilesTest, CloseHandleRefusesUnknownAndClosedHandles) {
    int local = 0;
    EXPECT_FALSE(CloseHandle(&local));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(CloseHandle(nullptr));
    dir.write("a.txt", "a");
    HANDLE f = openRead(at("a.txt"));
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(f));
    EXPECT_FALSE(CloseHandle(f));
    char c;
    DWORD n;
    EXPECT_FALSE(ReadFile(f, &c, 1, &n, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// Every entry of a listing: name to attribute word.
std::map<std::string, DWORD> listing(const std::string& pattern) {
    std::map<std::string, DWORD> seen;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern.c_str(), &data);
    if (h == INVALID_HANDLE_VALUE) return seen;
    do {
        seen[data.cFileName] = data.dwFileAttributes;
    } while (FindNextFileA(h, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_TRUE(FindClose(h));
    return seen;
}

TEST_F(FilesTest, ListingGivesWindowsAttributeWords) {
    dir.write("Tintaro/GatefoldButton.bmp", "b");
    dir.write("Locked/x", "");
    dir.write(".hidden/x", "");
    dir.write("readme.txt", "hello");
    dir.write(".dotfile", "");
    dir.write("fixed.txt", "");
    ASSERT_EQ(::chmod(at("Locked").c_str(), 0555), 0);
    ASSERT_EQ(::chmod(at("fixed.txt").c_str(), 0444), 0);

    const auto seen = listing(dir.str() + "\\*");
    std::map<std::string, DWORD> expected = {
        {".", 0x10},       {"..", 0x10},         {"Tintaro", 0x10},  {"Locked", 0x11},
        {".hidden", 0x12}, {"readme.txt", 0x20}, {".dotfile", 0x22}, {"fixed.txt", 0x21},
    };
    EXPECT_EQ(seen, expected);
    ::chmod(at("Locked").c_str(), 0755);

    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA((dir.str() + "/readme.txt").c_str(), &data);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_TRUE(FindClose(h));
}

TEST_F(FilesTest, ListingPatternsMatchWithoutRegardToCase) {
    dir.write("Music.WAV", "");
    dir.write("click.wav", "");
    dir.write("notes.txt", "");
    dir.write("wav", "");
    dir.write("[a].wav", "");

    using Names = std::vector<std::string>;
    auto names = [](const std::map<std::string, DWORD>& seen) {
        Names out;
        for (const auto& [name, attr] : seen) out.push_back(name);
        return out;
    };
    EXPECT_EQ(names(listing(dir.str() + "\\*.wav")), (Names{"Music.WAV", "[a].wav", "click.wav"}));
    EXPECT_EQ(names(listing(dir.str() + "\\?OTES.*")), (Names{"notes.txt"}));
    EXPECT_EQ(names(listing(dir.str() + "\\[a].WAV")), (Names{"[a].wav"}));
    EXPECT_EQ(listing(dir.str() + "\\*.*").size(), 7u);

    WIN32_FIND_DATAA data;
    EXPECT_EQ(FindFirstFileA((dir.str() + "\\*.bmp").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileA((dir.str() + "\\nowhere\\*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST_F(FilesTest, CurrentFolderFollowsWindowsRules) {
    const std::string previous = std::filesystem::current_path();
    dir.write("Menu/Tintaro/x", "");
    ASSERT_TRUE(SetCurrentDirectoryA((dir.str() + "\\menu\\tintaro").c_str()));
    const std::string expected = dir.str() + "/Menu/Tintaro";

    const DWORD needed = GetCurrentDirectoryA(0, nullptr);
    EXPECT_EQ(needed, expected.size() + 1);
    std::vector<char> small(expected.size(), '#');
    EXPECT_EQ(GetCurrentDirectoryA(static_cast<DWORD>(small.size()), small.data()), needed);
    std::vector<char> buffer(needed);
    EXPECT_EQ(GetCurrentDirectoryA(needed, buffer.data()), expected.size());
    EXPECT_EQ(std::string(buffer.data()), expected);

    ASSERT_TRUE(SetCurrentDirectoryA(".."));
    EXPECT_EQ(std::filesystem::current_path().string(), dir.str() + "/Menu");
    EXPECT_FALSE(SetCurrentDirectoryA("nowhere"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    std::filesystem::current_path(previous);
}

TEST_F(FilesTest, DeleteFileRemovesOnlyFiles) {
    dir.write("Moves.dat", "x");
    dir.write("folder/y", "");
    EXPECT_TRUE(DeleteFileA((dir.str() + "\\moves.DAT").c_str()));
    EXPECT_FALSE(std::filesystem::exists(at("Moves.dat")));
    EXPECT_FALSE(DeleteFileA(at("Moves.dat").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileA(at("folder").c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(Faults, SetClearAndQuery) {
    platform::faultClearAll();
    EXPECT_FALSE(platform::faultActive("file-write"));
    platform::faultSet("file-write", true);
    platform::faultSet("other", true);
    EXPECT_TRUE(platform::faultActive("file-write"));
    EXPECT_FALSE(platform::faultActive("file"));
    platform::faultSet("file-write", false);
    EXPECT_FALSE(platform::faultActive("file-write"));
    EXPECT_TRUE(platform::faultActive("other"));
    platform::faultClearAll();
    EXPECT_FALSE(platform::faultActive("other"));
    EXPECT_FALSE(platform::faultActive(nullptr));
}

}  // namespace
