// Windows-spelled paths on the POSIX file system: separators and letter case.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/storage/path.h"
#include "tests/support/temp_dir.h"

namespace {

using testsupport::TempDir;

// Runs the body with `dir` as the current folder and restores the previous one.
class InFolder {
public:
    explicit InFolder(const std::string& dir) : previous_(std::filesystem::current_path()) {
        std::filesystem::current_path(dir);
    }
    ~InFolder() { std::filesystem::current_path(previous_); }

private:
    std::filesystem::path previous_;
};

TEST(ResolvePath, FindsEveryComponentWithoutRegardToCase) {
    TempDir dir;
    dir.write("Menu/Tintaro/Sounds/Click.wav", "x");
    const std::string base = dir.str();

    EXPECT_EQ(platform::resolvePath((base + "\\menu\\TINTARO\\sounds\\click.WAV").c_str()),
              base + "/Menu/Tintaro/Sounds/Click.wav");
    // An exact spelling is taken as it is.
    EXPECT_EQ(platform::resolvePath((base + "/Menu/Tintaro").c_str()), base + "/Menu/Tintaro");
}

TEST(ResolvePath, RelativePathsFollowTheCurrentFolder) {
    TempDir dir;
    dir.write("Menu/options.ini", "");
    dir.write("Menu/Tintaro/BackButton.bmp", "");
    InFolder in(dir.str() + "/Menu/Tintaro");

    EXPECT_EQ(platform::resolvePath("backbutton.bmp"), "BackButton.bmp");
    EXPECT_EQ(platform::resolvePath(".\\BACKBUTTON.BMP"), "./BackButton.bmp");
    EXPECT_EQ(platform::resolvePath("..\\OPTIONS.INI"), "../options.ini");
}

TEST(ResolvePath, MissingComponentsKeepTheirSpelling) {
    TempDir dir;
    dir.write("Saves/old.dat", "");
    const std::string base = dir.str();

    // A new file in an existing folder found by case.
    EXPECT_EQ(platform::resolvePath((base + "\\saves\\New File.dat").c_str()),
              base + "/Saves/New File.dat");
    // Below a missing folder nothing is looked up any more.
    EXPECT_EQ(platform::resolvePath((base + "\\SAVES\\Missing\\old.dat").c_str()),
              base + "/Saves/Missing/old.dat");
    EXPECT_EQ(platform::resolvePath(""), "");
    EXPECT_EQ(platform::resolvePath(nullptr), "");
}

TEST(ResolvePath, PrefersTheExactSpellingWhenSeveralMatch) {
    TempDir dir;
    dir.write("Data/a.txt", "upper");
    dir.write("data/a.txt", "lower");
    const std::string base = dir.str();
    EXPECT_EQ(platform::resolvePath((base + "/data/a.txt").c_str()), base + "/data/a.txt");
    EXPECT_EQ(platform::resolvePath((base + "/Data/a.txt").c_str()), base + "/Data/a.txt");
}

TEST(ProfileFolder, FollowsTheEnvironment) {
    ::setenv("STUDIO_PROFILE_DIR", "/some/profiles", 1);
    EXPECT_EQ(platform::profileFolder(), "/some/profiles");
    ::unsetenv("STUDIO_PROFILE_DIR");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(platform::profileFolder(), "/cfg/studio");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/player", 1);
    EXPECT_EQ(platform::profileFolder(), "/home/player/.config/studio");
}

}  // namespace
