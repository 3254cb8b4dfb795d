// Files and folders: CreateFileA and its relatives, listings, the current folder,
// handles, and writes that survive a full disk.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "platform/win32/win32.h"
#include "tests/platform/folder_fixture.h"

namespace {

using platformtest::openWrite;

class FilesTest : public platformtest::FolderTest {};

HANDLE openRead(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
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

}  // namespace
