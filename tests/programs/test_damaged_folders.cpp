// Tintaro and Gatefold headless builds with damaged or hostile files in their folders: broken
// backgrounds, pages without pictures, FIFOs, the leftovers of interrupted saves.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/programs/program_folders.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

using namespace programtest;

namespace {

namespace fs = std::filesystem;

TEST(GatefoldFaults, BrokenBackgroundsLeaveTheScreenBareWithoutACrash) {
    // The list, a click on the game, its title screen, back to the list and to the title.
    const std::string script = "wait 5\n" + moveAndClick(14 + 60, 140 + 40) + "wait 5\n" +
                               moveAndClick(636 + 40, 365 + 20) + "wait 5\n" +
                               moveAndClick(14 + 60, 140 + 40) + "wait 5\nkey 1\nwait 10\n";
    for (const char* file : {"Tintaro/title/titlebackground.bmp", "background.bmp"}) {
        for (const char* damage : {"missing", "empty", "cut", "text"}) {
            GatefoldFolder folder;
            const fs::path path = folder.menu() / file;
            const std::string bytes = readFile(path);
            if (std::string(damage) == "missing") fs::remove(path);
            if (std::string(damage) == "empty") writeFile(path, "");
            if (std::string(damage) == "cut") writeFile(path, bytes.substr(0, bytes.size() / 2));
            if (std::string(damage) == "text") writeFile(path, "not a picture\n");
            auto run = folder.run(script);
            EXPECT_EQ(run.exitStatus, 0) << file << " " << damage;
            ASSERT_FALSE(run.transcript.empty()) << file << " " << damage;
            EXPECT_EQ(run.transcript.back(), "exit\t0") << file << " " << damage;
        }
    }
}

// Pixels that differ between two captures of the whole screen; -1 when one is missing.
int differingPixels(const testsupport::Picture& a, const testsupport::Picture& b) {
    if (!a.ok() || a.width != b.width || a.height != b.height) return -1;
    int n = 0;
    for (size_t i = 0; i + 2 < a.rgb.size(); i += 3) n += std::memcmp(&a.rgb[i], &b.rgb[i], 3) != 0;
    return n;
}

const char* kStill = "move 5 5\nwait 4\n";

// A page whose picture or Back picture is missing still closes, and the menu goes on: the
// screen under it comes back pixel for pixel and its SFX switch takes the next click.
TEST(GatefoldFaults, APageWithoutItsPicturesStillCloses) {
    const std::string title = moveAndClick(14 + 60, 140 + 40);
    struct Case {
        const char* file;   // removed from the menu folder
        std::string reach;  // from the list to the screen the page opens over
        std::string open, close;
        const char* what;
    };
    const Case cases[] = {
        // Both are placed at (53, 18): these clicks lie outside where the picture would be.
        {"Tintaro/title/HowToPlay.bmp", title, moveAndClick(108, 324), moveAndClick(20, 590),
         "How to Play"},
        {"Tintaro/title/Credits.bmp", title, moveAndClick(108, 463), moveAndClick(780, 8),
         "Credits"},
        // Outside Upload and Clear; Clear would have rewritten the table.
        {"backbutton.bmp", title, moveAndClick(108, 393), moveAndClick(20, 590),
         "High Scores without Back"},
        {"infoscreen.bmp", "", moveAndClick(670, 105), moveAndClick(733, 388),
         "Info without its page, by Back"},
        {"backbutton.bmp", "", moveAndClick(670, 105), moveAndClick(400, 300), "Info without Back"},
    };
    for (const Case& c : cases) {
        GatefoldFolder folder;
        ASSERT_TRUE(fs::remove(folder.menu() / c.file)) << c.file;
        const fs::path table = folder.menu() / "Tintaro" / "hiscore.dat";
        const bool hadTable = fs::exists(table);
        const std::string tableBytes = hadTable ? readFile(table) : "";
        auto run =
            folder.run("wait 5\n" + c.reach + kStill + "capture before.bmp\n" + c.open + c.close +
                       kStill + "capture after.bmp\n" + (c.reach.empty() ? title : "") +
                       moveAndClick(52 + 20, 505 + 15) + "wait 5\n");
        EXPECT_EQ(run.exitStatus, 0) << c.what;
        const auto before = testsupport::readBmp24(run.captureDir + "/before.bmp");
        const auto after = testsupport::readBmp24(run.captureDir + "/after.bmp");
        ASSERT_TRUE(before.ok()) << c.what;
        EXPECT_EQ(differingPixels(before, after), 0) << c.what;
        const std::string options = readFile(folder.menu() / "options.ini");
        EXPECT_NE(options.find("SFX=N"), std::string::npos) << c.what << ": " << options;
        EXPECT_EQ(fs::exists(table), hadTable) << c.what;
        EXPECT_EQ(hadTable ? readFile(table) : "", tableBytes) << c.what;
    }
}

TEST(TintaroFaults, TheHelpPageWithoutItsPictureClosesOnAClickAnywhere) {
    int x = 0, y = 0;
    ASSERT_TRUE(blueTopArm(x, y));
    TintaroFolder folder;
    ASSERT_TRUE(fs::remove(folder.game() / "title" / "HowToPlay.bmp"));
    // The page would lie at (53, 20): the closing click is outside it.
    auto run = folder.run("wait 5\n" + std::string(kStill) + "capture before.bmp\n" +
                          "click 680 545\nwait 5\n" + moveAndClick(20, 590) + kStill +
                          "capture after.bmp\n" + moveAndClick(x, y) + kExit);
    EXPECT_EQ(run.exitStatus, 0);
    const auto before = testsupport::readBmp24(run.captureDir + "/before.bmp");
    const auto after = testsupport::readBmp24(run.captureDir + "/after.bmp");
    ASSERT_TRUE(before.ok());
    EXPECT_EQ(differingPixels(before, after), 0);
    // The game went on: the arm turned its ring and Exit saved the move.
    expectOneBlueTopMove(readFile(folder.game() / "moves.dat"), "after the help page");
}

TEST(TintaroFaults, AFifoWhereTheScoresGoNeitherHangsNorIsKept) {
    int x = 0, y = 0;
    ASSERT_TRUE(blueTopArm(x, y));
    TintaroFolder folder;
    const fs::path scores = folder.game() / "hiscore.dat";
    ASSERT_EQ(::mkfifo(scores.c_str(), 0644), 0);
    auto run = folder.run("wait 5\n" + moveAndClick(x, y) + kExit);
    EXPECT_EQ(run.exitStatus, 0);
    // The game's score went into a real table; the FIFO was moved aside, not written to.
    EXPECT_EQ(readFile(scores).size(), 5204u);
    struct stat st {};
    ASSERT_EQ(::lstat((scores.string() + ".bad").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

TEST(GatefoldFaults, FifosWhereFilesAreReadNeitherHangNorCrash) {
    GatefoldFolder folder;
    ASSERT_EQ(::mkfifo((folder.menu() / "Tintaro" / "hiscore.dat").c_str(), 0644), 0);
    ASSERT_EQ(::mkfifo((folder.menu() / "options.ini").c_str(), 0644), 0);
    // The list, the title screen, the hall of fame, then Esc.
    auto run = folder.run("wait 5\n" + moveAndClick(14 + 60, 140 + 40) + "wait 5\n" +
                          moveAndClick(108, 390) + "wait 5\nkey 1\nwait 10\n");
    EXPECT_EQ(run.exitStatus, 0);
    ASSERT_FALSE(run.transcript.empty());
    EXPECT_EQ(run.transcript.back(), "exit\t0");
}

// An interrupted save leaves its temporary file NAME.tmp-PID-N behind. Each start removes
// those of dead processes from the folders the program saves into (in an installed tree the
// user's own, for the game's folder and the menu's), and nothing else: not another live
// copy's, not a file that only looks alike.
TEST(TintaroFaults, AStartRemovesWhatInterruptedSavesLeft) {
    TintaroFolder folder;
    writeFile(folder.dir.path() / "userdata.ini", "[userdata]\nfolder=Gatefold\n");
    testsupport::TempDir data;
    const fs::path menu = data.path() / "Gatefold", game = menu / "Tintaro";
    fs::create_directories(game);
    const pid_t ended = ::fork();
    ASSERT_GE(ended, 0);
    if (ended == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(ended, nullptr, 0), ended);
    const std::string dead = std::to_string(ended), live = std::to_string(::getpid());
    const std::vector<fs::path> stale = {game / ("moves.dat.tmp-" + dead + "-0"),
                                         game / ("hiscore.dat.tmp-" + dead + "-12"),
                                         menu / ("options.ini.tmp-" + dead + "-3")};
    const std::vector<fs::path> kept = {game / ("moves.dat.tmp-" + live + "-1"),
                                        game / ("moves.dat.tmp-" + dead + "-0.old"),
                                        game / ("moves.dat.tmp-" + dead),
                                        game / ("moves.dat.tmp-x" + dead + "-0"),
                                        game / "notes.txt",
                                        menu / ("window.ini.tmp-" + live + "-0")};
    for (const auto& path : stale) writeFile(path, "half a save");
    for (const auto& path : kept) writeFile(path, "kept");

    const char* before = std::getenv("XDG_DATA_HOME");
    const std::string saved = before ? before : "";
    ::setenv("XDG_DATA_HOME", data.str().c_str(), 1);
    auto run = folder.run("wait 5\nkey 1\nwait 5\n");
    if (before)
        ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(run.exitStatus, 0);
    for (const auto& path : stale) EXPECT_FALSE(fs::exists(path)) << path;
    for (const auto& path : kept) EXPECT_EQ(readFile(path), "kept") << path;
}

}  // namespace
