// Profile (INI) files: reading and writing with the Windows rules.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "platform/faults.h"
#include "platform/win32/win32.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::TempDir;

class ProfileTest : public ::testing::Test {
protected:
    void SetUp() override {
        ini = dir.str() + "/options.ini";
        platform::faultClearAll();
    }
    void TearDown() override { platform::faultClearAll(); }

    std::string get(const char* section, const char* key, const char* def = "dflt",
                    DWORD size = 256) {
        char buffer[256];
        std::memset(buffer, '#', sizeof buffer);
        const DWORD n = GetPrivateProfileStringA(section, key, def, buffer, size, ini.c_str());
        EXPECT_EQ(n, std::strlen(buffer)) << "count must match the text copied";
        return buffer;
    }

    TempDir dir;
    std::string ini;
};

TEST_F(ProfileTest, NamesMatchWithoutRegardToCaseAndMissingThingsGiveTheDefault) {
    dir.write("options.ini", "[Setup]\r\nMusic=N\r\nSFX=Y\r\n[Player1]\r\nname=Ann\r\n");
    EXPECT_EQ(get("setup", "music"), "N");
    EXPECT_EQ(get("SETUP", "sfx"), "Y");
    EXPECT_EQ(get("player1", "NAME"), "Ann");
    EXPECT_EQ(get("setup", "playerid"), "dflt");
    EXPECT_EQ(get("Player2", "name"), "dflt");
    // The default loses its trailing blanks; a null default is empty.
    EXPECT_EQ(get("setup", "none", "  Y  "), "  Y");
    EXPECT_EQ(get("setup", "none", nullptr), "");
    // A key of another section is not found.
    EXPECT_EQ(get("player1", "music"), "dflt");

    ini = dir.str() + "/missing.ini";
    EXPECT_EQ(get("setup", "music", "Y"), "Y");
}

TEST_F(ProfileTest, ValuesAreTrimmedUnquotedAndCutToTheBuffer) {
    dir.write("options.ini",
              "[setup]\n  fullscreen  =  1  \nname = \"  Quoted Name \"\nhalf=\"open\n"
              "long=abcdefghij\nempty=\n");
    EXPECT_EQ(get("setup", "fullscreen"), "1");
    EXPECT_EQ(get("setup", "name"), "  Quoted Name ");
    EXPECT_EQ(get("setup", "half"), "\"open");
    EXPECT_EQ(get("setup", "empty"), "");

    // The game reads its switches into two characters: one letter and the NUL.
    EXPECT_EQ(get("setup", "long", "", 2), "a");
    EXPECT_EQ(get("setup", "long", "", 5), "abcd");
    EXPECT_EQ(get("setup", "long", "", 11), "abcdefghij");
    EXPECT_EQ(get("setup", "missing", "defaultvalue", 4), "def");
    char one[1] = {'#'};
    EXPECT_EQ(GetPrivateProfileStringA("setup", "long", "", one, 1, ini.c_str()), 0u);
    EXPECT_EQ(one[0], '\0');
}

TEST_F(ProfileTest, CommentsAndLinesWithoutEqualsAreNotKeys) {
    dir.write("options.ini", "[setup]\n;music=N\nmusic\nmusic=Y\n");
    EXPECT_EQ(get("setup", "music"), "Y");
    EXPECT_EQ(get("setup", ";music"), "dflt");
}

TEST_F(ProfileTest, NullKeyListsKeysAndNullSectionListsSections) {
    dir.write("options.ini", "[setup]\nmusic=Y\nSFX=N\n[Player1]\nname=A\n");
    char buffer[64];
    DWORD n = GetPrivateProfileStringA("SETUP", nullptr, "", buffer, sizeof buffer, ini.c_str());
    EXPECT_EQ(n, 10u);
    EXPECT_EQ(std::string(buffer, n + 1), std::string("music\0SFX\0", 10) + '\0');

    n = GetPrivateProfileStringA(nullptr, nullptr, "", buffer, sizeof buffer, ini.c_str());
    EXPECT_EQ(std::string(buffer, n + 1), std::string("setup\0Player1\0\0", 15));

    // A list that does not fit ends with two NULs and returns size - 2.
    n = GetPrivateProfileStringA("setup", nullptr, "", buffer, 8, ini.c_str());
    EXPECT_EQ(n, 6u);
    EXPECT_EQ(std::string(buffer, 8), std::string("music\0\0\0", 8));
}

TEST_F(ProfileTest, IntReadsDecimalOrGivesTheDefault) {
    dir.write("options.ini", "[setup]\nplayerid= 3 \nbad=x\nblank=\n");
    EXPECT_EQ(GetPrivateProfileIntA("setup", "PLAYERID", 7, ini.c_str()), 3u);
    EXPECT_EQ(GetPrivateProfileIntA("setup", "missing", 7, ini.c_str()), 7u);
    EXPECT_EQ(GetPrivateProfileIntA("setup", "bad", 7, ini.c_str()), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("setup", "blank", 7, ini.c_str()), 7u);
}

TEST_F(ProfileTest, WritingKeepsEveryOtherLine) {
    dir.write("options.ini",
              "; switches\r\n[Setup]\r\nMusic=Y\r\n; keep me\r\nSFX=Y\r\n\r\n[Player1]\r\n"
              "name=Ann\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("setup", "music", "N", ini.c_str()));
    EXPECT_EQ(dir.read("options.ini"),
              "; switches\r\n[Setup]\r\nMusic=N\r\n; keep me\r\nSFX=Y\r\n\r\n[Player1]\r\n"
              "name=Ann\r\n");

    // A new key goes after the section's last key, before the blank line.
    ASSERT_TRUE(WritePrivateProfileStringA("SETUP", "playerid", "2", ini.c_str()));
    EXPECT_EQ(dir.read("options.ini"),
              "; switches\r\n[Setup]\r\nMusic=N\r\n; keep me\r\nSFX=Y\r\nplayerid=2\r\n\r\n"
              "[Player1]\r\nname=Ann\r\n");

    // A new section goes at the end.
    ASSERT_TRUE(WritePrivateProfileStringA("Player2", "name", "Bob", ini.c_str()));
    EXPECT_EQ(get("player2", "NAME"), "Bob");
    EXPECT_EQ(get("player1", "name"), "Ann");
    EXPECT_EQ(get("setup", "playerid"), "2");
}

TEST_F(ProfileTest, WritingKeepsAFilesUnixLineEndings) {
    dir.write("options.ini", "[setup]\nmusic=Y\n");
    ASSERT_TRUE(WritePrivateProfileStringA("setup", "SFX", "N", ini.c_str()));
    EXPECT_EQ(dir.read("options.ini"), "[setup]\nmusic=Y\nSFX=N\n");
}

TEST_F(ProfileTest, AByteOrderMarkAndAnyLineEndsAreRead) {
    const char* files[] = {"\xEF\xBB\xBF[setup]\r\nSFX=N\r\n[Player1]\r\nname=Bo\r\n",
                           "[setup]\rSFX=N\r[Player1]\rname=Bo\r",
                           "[setup]\nSFX=N\r\n[Player1]\rname=Bo"};
    for (const char* text : files) {
        dir.write("options.ini", text);
        EXPECT_EQ(get("setup", "SFX"), "N") << text;
        EXPECT_EQ(get("Player1", "name"), "Bo") << text;
        // A write keeps what was there.
        ASSERT_TRUE(WritePrivateProfileStringA("setup", "Music", "Y", ini.c_str()));
        EXPECT_EQ(get("setup", "SFX"), "N") << text;
        EXPECT_EQ(get("Player1", "name"), "Bo") << text;
        EXPECT_EQ(get("setup", "Music"), "Y") << text;
    }
}

TEST_F(ProfileTest, WritingCreatesAMissingFile) {
    ASSERT_TRUE(WritePrivateProfileStringA("setup", "Music", "Y", ini.c_str()));
    EXPECT_EQ(dir.read("options.ini"), "[setup]\r\nMusic=Y\r\n");
    ASSERT_TRUE(WritePrivateProfileStringA("Player1", "name", "Ann", ini.c_str()));
    EXPECT_EQ(dir.read("options.ini"), "[setup]\r\nMusic=Y\r\n\r\n[Player1]\r\nname=Ann\r\n");
}

TEST_F(ProfileTest, NullValueDeletesAKeyAndNullKeyDeletesASection) {
    dir.write("options.ini", "[setup]\nmusic=Y\nSFX=Y\n[Player1]\nname=Ann\n[end]\nx=1\n");
    ASSERT_TRUE(WritePrivateProfileStringA("setup", "MUSIC", nullptr, ini.c_str()));
    EXPECT_EQ(get("setup", "music"), "dflt");
    EXPECT_EQ(get("setup", "sfx"), "Y");
    ASSERT_TRUE(WritePrivateProfileStringA("player1", nullptr, nullptr, ini.c_str()));
    EXPECT_EQ(dir.read("options.ini"), "[setup]\nSFX=Y\n[end]\nx=1\n");
    // Deleting from a missing file creates nothing.
    const std::string other = dir.str() + "/other.ini";
    EXPECT_TRUE(WritePrivateProfileStringA("setup", "music", nullptr, other.c_str()));
    EXPECT_FALSE(std::filesystem::exists(other));
}

// A whole section at once, with the Windows rules: its keys are replaced by the given ones,
// its comments and every other section stay, a missing section is added, a null list
// removes it, and one bad entry writes nothing.
TEST_F(ProfileTest, ASectionIsWrittenWholeInOneReplacement) {
    dir.write("options.ini",
              "[setup]\r\nplayerid=1\r\n\r\n[player2]\r\n; kept\r\nNAME=Old\r\nextra=x\r\n"
              "email=o@x\r\n\r\n[Player3]\r\nname=Cy\r\n");
    ASSERT_TRUE(WritePrivateProfileSectionA("Player2", "name=Bea\0address=2 Lane\0email=b@x\0",
                                            ini.c_str()));
    EXPECT_EQ(dir.read("options.ini"),
              "[setup]\r\nplayerid=1\r\n\r\n[player2]\r\n; kept\r\nname=Bea\r\n"
              "address=2 Lane\r\nemail=b@x\r\n\r\n[Player3]\r\nname=Cy\r\n");

    ASSERT_TRUE(WritePrivateProfileSectionA("Player4", "name=Di\0send=N\0", ini.c_str()));
    EXPECT_EQ(get("player4", "name"), "Di");
    EXPECT_EQ(get("player4", "send"), "N");
    EXPECT_EQ(get("player3", "name"), "Cy");

    const std::string before = dir.read("options.ini");
    EXPECT_FALSE(
        WritePrivateProfileSectionA("Player3", "name=Ed\0address=1\n[setup]\0", ini.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    platform::faultSet("file-write", true);
    EXPECT_FALSE(WritePrivateProfileSectionA("Player3", "name=Ed\0", ini.c_str()));
    platform::faultSet("file-write", false);
    EXPECT_EQ(dir.read("options.ini"), before);

    ASSERT_TRUE(WritePrivateProfileSectionA("player2", nullptr, ini.c_str()));
    EXPECT_EQ(get("Player2", "name"), "dflt");
    EXPECT_EQ(get("Player4", "name"), "Di");
    EXPECT_EQ(get("setup", "playerid"), "1");
}

// Two processes changing one profile file at once each keep the other's changes: every
// write reads, changes and replaces the file under the folder's lock.
TEST_F(ProfileTest, TwoProcessesWritingAtOnceLoseNothing) {
    dir.write("options.ini", "[setup]\nSFX=Y\nMusic=Y\n");
    constexpr int kWrites = 50;
    auto writer = [this](const char* prefix) {
        for (int i = 0; i < kWrites; ++i) {
            const std::string key = prefix + std::to_string(i);
            if (!WritePrivateProfileStringA("setup", key.c_str(), i % 2 ? "Y" : "N", ini.c_str()))
                return 1;
            if (!WritePrivateProfileStringA("setup", prefix, i % 2 ? "Y" : "N", ini.c_str()))
                return 1;
        }
        return 0;
    };
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) ::_exit(writer("music"));
    const int mine = writer("sfx");
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "a write of the other process failed";
    EXPECT_EQ(mine, 0);
    for (const char* prefix : {"sfx", "music"}) {
        for (int i = 0; i < kWrites; ++i)
            EXPECT_EQ(get("setup", (prefix + std::to_string(i)).c_str()), i % 2 ? "Y" : "N")
                << prefix << i;
        EXPECT_EQ(get("setup", prefix), "Y") << prefix << ", flipped last to Y";
    }
}

// options.ini holds players' addresses and e-mails: whatever was there, a write leaves a
// file only its owner reads.
TEST_F(ProfileTest, ProfilesAreSavedForTheirOwnerOnly) {
    auto modeOf = [](const std::string& path) {
        struct stat st {};
        return ::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) ? st.st_mode & 07777 : 0u;
    };
    ASSERT_TRUE(WritePrivateProfileStringA("setup", "SFX", "N", ini.c_str()));
    EXPECT_EQ(modeOf(ini), 0600u) << "a new file";
    ASSERT_EQ(::chmod(ini.c_str(), 04777), 0);
    ASSERT_TRUE(WritePrivateProfileStringA("setup", "SFX", "Y", ini.c_str()));
    EXPECT_EQ(modeOf(ini), 0600u) << "over a set-user-ID file";
    const std::string target = dir.write("shared/options.ini", "[setup]\nSFX=Y\n");
    ASSERT_EQ(::chmod(target.c_str(), 0666), 0);
    const std::string link = dir.str() + "/linked.ini";
    std::filesystem::create_symlink(target, link);
    ASSERT_TRUE(WritePrivateProfileSectionA("Player1", "name=Ann\0", link.c_str()));
    EXPECT_EQ(modeOf(link), 0600u) << "in place of a link";
    EXPECT_EQ(modeOf(target), 0666u);
}

TEST_F(ProfileTest, TextsThatWouldSpanLinesAreRefused) {
    dir.write("options.ini", "[setup]\nplayerid=1\n");
    EXPECT_FALSE(
        WritePrivateProfileStringA("Player1", "name", "Eve\n[setup]\nplayerid=7", ini.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(WritePrivateProfileStringA("Player1", "na\rme", "x", ini.c_str()));
    EXPECT_EQ(dir.read("options.ini"), "[setup]\nplayerid=1\n");
}

TEST_F(ProfileTest, FailedWriteLeavesTheOldFileWhole) {
    dir.write("options.ini", "[setup]\nmusic=Y\n");
    platform::faultSet("file-write", true);
    EXPECT_FALSE(WritePrivateProfileStringA("setup", "music", "N", ini.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    platform::faultSet("file-write", false);
    EXPECT_EQ(dir.read("options.ini"), "[setup]\nmusic=Y\n");
    // No temporary file is left beside it.
    int files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST_F(ProfileTest, ReadOnlyFileIsNotReplaced) {
    dir.write("options.ini", "[setup]\nmusic=Y\n");
    ASSERT_EQ(::chmod(ini.c_str(), 0444), 0);
    EXPECT_FALSE(WritePrivateProfileStringA("setup", "music", "N", ini.c_str()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(dir.read("options.ini"), "[setup]\nmusic=Y\n");
}

TEST_F(ProfileTest, FolderPartsResolveWithoutRegardToCase) {
    dir.write("Menu/Options.INI", "[setup]\nmusic=N\n");
    dir.write("Menu/Tintaro/setup.ini", "");
    const std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path() / "Menu" / "Tintaro");
    char buffer[8];
    GetPrivateProfileStringA("setup", "music", "Y", buffer, 2, "..\\options.ini");
    EXPECT_STREQ(buffer, "N");
    EXPECT_TRUE(WritePrivateProfileStringA("setup", "SFX", "N", "..\\options.ini"));
    std::filesystem::current_path(previous);
    EXPECT_EQ(dir.read("Menu/Options.INI"), "[setup]\nmusic=N\nSFX=N\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Menu" / "options.ini"));
}

TEST_F(ProfileTest, BareNamesLiveInTheProfileFolder) {
    const std::string folder = dir.str() + "/profiles/studio";
    ::setenv("STUDIO_PROFILE_DIR", folder.c_str(), 1);
    const std::string previous = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    dir.write("images.ini", "[images]\nimage01=local\n");

    // The bare name does not read the current folder's file.
    char buffer[32];
    GetPrivateProfileStringA("images", "image01", "none", buffer, sizeof buffer, "images.ini");
    EXPECT_STREQ(buffer, "none");
    // Writing creates the folder and the file there.
    EXPECT_TRUE(WritePrivateProfileStringA("images", "image01", "title", "images.ini"));
    GetPrivateProfileStringA("images", "image01", "none", buffer, sizeof buffer, "IMAGES.ini");
    std::filesystem::current_path(previous);
    ::unsetenv("STUDIO_PROFILE_DIR");
    EXPECT_STREQ(buffer, "title");
    EXPECT_EQ(dir.read("profiles/studio/images.ini"), "[images]\r\nimage01=title\r\n");
    EXPECT_EQ(dir.read("images.ini"), "[images]\nimage01=local\n");
}

}  // namespace
