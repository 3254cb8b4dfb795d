// Gatefold driven through the headless contract, in menu folders made for each test: the
// game list's slots, pages and web site, which folders count as games, the page number,
// starting a game, reopening a game's title screen, the sound switches and the current
// player.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/program_run.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
const std::string kStage = STUDIO_STAGE_DIR;
const std::string kProgram = kStage + "/Gatefold-headless";
const std::string kSite = "http://www.example.com";

// Slot k's top-left corner on the list (k from 1).
int slotX(int k) {
    return std::vector<int>{14, 271, 528}[static_cast<size_t>((k - 1) % 3)];
}
int slotY(int k) {
    return std::vector<int>{140, 247, 355, 461}[static_cast<size_t>((k - 1) / 3)];
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A menu folder: the menu's own pictures and settings, and Tintaro's folder when asked.
class MenuFolder {
public:
    explicit MenuFolder(bool withTintaro) {
        for (const auto& e : fs::directory_iterator(kStage)) {
            const std::string ext = e.path().extension().string();
            if (e.is_regular_file() && (ext == ".bmp" || ext == ".ini"))
                fs::copy_file(e.path(), dir.path() / e.path().filename());
        }
        if (withTintaro) addGameCopy("Tintaro");
    }
    // A game folder holding only the list's picture.
    void addGame(const std::string& name) {
        fs::create_directories(dir.path() / name);
        fs::copy_file(kStage + "/Tintaro/GatefoldButton.bmp",
                      dir.path() / name / "GatefoldButton.bmp");
    }
    void addGameCopy(const std::string& name) {
        fs::copy(kStage + "/Tintaro", dir.path() / name,
                 fs::copy_options::recursive | fs::copy_options::skip_existing);
    }
    std::string path() const { return dir.str(); }
    testsupport::ProgramRun run(const std::string& script,
                                const std::vector<std::string>& args = {}) const {
        return testsupport::runHeadless(kProgram, dir.str(), script, args, dir.str());
    }
    testsupport::TempDir dir;
};

std::string click(int x, int y) {
    return "move " + std::to_string(x) + " " + std::to_string(y) + "\nwait 2\nclick " +
           std::to_string(x) + " " + std::to_string(y) + "\nwait 4\n";
}
std::string clickSlot(int k) {
    return click(slotX(k) + 60, slotY(k) + 40);
}

std::vector<std::string> launches(const testsupport::ProgramRun& run) {
    std::vector<std::string> out;
    for (const auto& line : run.transcript)
        if (line.rfind("launch\t", 0) == 0) out.push_back(line);
    return out;
}

bool pureBlue(const testsupport::Picture& p, int x, int y) {
    int r, g, b;
    p.pixel(x, y, r, g, b);
    return r == 0 && g == 0 && b == 255;
}

// Share of a picture's opaque pixels that the capture shows at (x, y), in 16-bit colour.
double shownAt(const testsupport::Picture& shot, const testsupport::Picture& picture, int x, int y,
               int frameWidth = 0) {
    const int w = frameWidth > 0 ? frameWidth : picture.width;
    int opaque = 0, same = 0;
    for (int py = 0; py < picture.height; ++py)
        for (int px = 0; px < w; ++px) {
            if (pureBlue(picture, px, py)) continue;
            if (x + px >= shot.width || y + py >= shot.height) continue;
            ++opaque;
            int r, g, b, sr, sg, sb;
            picture.pixel(px, py, r, g, b);
            shot.pixel(x + px, y + py, sr, sg, sb);
            same += (r >> 3) == (sr >> 3) && (g >> 2) == (sg >> 2) && (b >> 3) == (sb >> 3);
        }
    return opaque ? static_cast<double>(same) / opaque : 0.0;
}

TEST(GatefoldList, ThreeGamesShowThreePicturesAndTheCollectSlotOpensTheSite) {
    MenuFolder menu(false);
    for (const char* name : {"Alpha", "Beta", "Gamma"}) menu.addGame(name);
    auto run =
        menu.run("wait 5\ncapture list.bmp\n" + clickSlot(4) + "wait 20\ncapture late.bmp\n");
    EXPECT_EQ(run.exitStatus, 0);
    const auto shot = testsupport::readBmp24(run.captureDir + "/list.bmp");
    const auto game = testsupport::readBmp24(kStage + "/Tintaro/GatefoldButton.bmp");
    const auto collect = testsupport::readBmp24(kStage + "/CollectButton.bmp");
    ASSERT_TRUE(shot.ok() && game.ok() && collect.ok());
    // The pictures are stamped under the slot frames: most of each shows through.
    for (int k = 1; k <= 3; ++k) EXPECT_GT(shownAt(shot, game, slotX(k), slotY(k)), 0.5) << k;
    EXPECT_GT(shownAt(shot, collect, slotX(4), slotY(4)), 0.5);
    EXPECT_LT(shownAt(shot, game, slotX(5), slotY(5)), 0.2);
    ASSERT_EQ(launches(run).size(), 1u);
    EXPECT_EQ(launches(run)[0], "launch\topen\t" + kSite + "\t\t");
    EXPECT_FALSE(fs::exists(run.captureDir + "/late.bmp")) << "the menu ended";
}

TEST(GatefoldList, FourteenGamesPageOnToTheSiteInSlotThree) {
    MenuFolder menu(false);
    for (int i = 0; i < 14; ++i) menu.addGame("Game" + std::to_string(i));
    // Disabled slots do nothing: slot 3 on page 1 holds a game, so "right" comes first.
    auto run = menu.run("wait 5\n" + click(760, 35) + "wait 3\ncapture page2.bmp\n" + clickSlot(3) +
                        "wait 20\n");
    EXPECT_EQ(run.exitStatus, 0);
    ASSERT_EQ(launches(run).size(), 1u);
    EXPECT_EQ(launches(run)[0], "launch\topen\t" + kSite + "\t\t");
    const auto shot = testsupport::readBmp24(run.captureDir + "/page2.bmp");
    const auto digits = testsupport::readBmp24(kStage + "/PageNumbers.bmp");
    ASSERT_TRUE(shot.ok() && digits.ok());
    const int w = digits.width / 10;
    // "2", right-aligned so that it ends at x = 716.
    testsupport::Picture two;
    two.width = w;
    two.height = digits.height;
    for (int y = 0; y < digits.height; ++y)
        for (int x = 0; x < w; ++x) {
            int r, g, b;
            digits.pixel(2 * w + x, y, r, g, b);
            two.rgb.insert(two.rgb.end(),
                           {static_cast<unsigned char>(r), static_cast<unsigned char>(g),
                            static_cast<unsigned char>(b)});
        }
    EXPECT_GT(shownAt(shot, two, 716 - w, 30), 0.95);
}

TEST(GatefoldList, HiddenAndReadOnlyFoldersAreNotGames) {
    MenuFolder menu(false);
    menu.addGame("Visible");
    menu.addGame(".Hidden");
    menu.addGame("Locked");
    ::chmod((menu.dir.path() / "Locked").c_str(), 0555);
    // Slot 2 is the collect slot when only one game counts.
    auto run = menu.run("wait 5\n" + clickSlot(2) + "wait 20\n");
    ::chmod((menu.dir.path() / "Locked").c_str(), 0755);
    EXPECT_EQ(run.exitStatus, 0);
    ASSERT_EQ(launches(run).size(), 1u);
    EXPECT_EQ(launches(run)[0], "launch\topen\t" + kSite + "\t\t");
}

TEST(GatefoldTitle, PlayStartsTheGameInItsFolderAndEndsTheMenu) {
    MenuFolder menu(true);
    auto run = menu.run("wait 5\n" + clickSlot(1) + "wait 5\ncapture title.bmp\n" +
                        click(636 + 40, 296 + 20) + "wait 20\ncapture late.bmp\n");
    EXPECT_EQ(run.exitStatus, 0);
    const std::string folder = menu.path();
    ASSERT_EQ(launches(run).size(), 1u);
    EXPECT_EQ(launches(run)[0],
              "launch\topen\tTintaro.exe\t" + folder + "\t" + folder + "\\Tintaro");
    const auto shot = testsupport::readBmp24(run.captureDir + "/title.bmp");
    const auto title = testsupport::readBmp24(kStage + "/Tintaro/title/titlebackground.bmp");
    ASSERT_TRUE(shot.ok() && title.ok());
    // Most of the title picture shows (buttons and name fields cover parts of it).
    EXPECT_GT(shownAt(shot, title, 0, 0), 0.6);
    EXPECT_FALSE(fs::exists(run.captureDir + "/late.bmp"));
}

TEST(GatefoldTitle, TheGamesNameOnTheCommandLineReopensItsTitleScreen) {
    MenuFolder menu(true);
    menu.addGame("Another");
    auto run = menu.run("wait 5\ncapture reopened.bmp\n", {"--", "Tintaro"});
    EXPECT_EQ(run.exitStatus, 0);
    const auto shot = testsupport::readBmp24(run.captureDir + "/reopened.bmp");
    const auto title = testsupport::readBmp24(kStage + "/Tintaro/title/titlebackground.bmp");
    ASSERT_TRUE(shot.ok() && title.ok());
    EXPECT_GT(shownAt(shot, title, 0, 0), 0.6);
}

TEST(GatefoldTitle, SwitchesAndTheCurrentPlayerAreWrittenAtOnce) {
    MenuFolder menu(true);
    // SFX off, Music off and on again, then the third name field.
    auto run =
        menu.run("wait 5\n" + clickSlot(1) + click(52 + 20, 505 + 15) + click(106 + 20, 505 + 15) +
                 click(106 + 20, 505 + 15) + click(238 + 60, 420 + 15) + "key 1\nwait 10\n");
    EXPECT_EQ(run.exitStatus, 0);
    const std::string options = readFile(menu.dir.path() / "options.ini");
    EXPECT_NE(options.find("SFX=N"), std::string::npos) << options;
    EXPECT_NE(options.find("Music=Y"), std::string::npos) << options;
    EXPECT_NE(options.find("playerid=2"), std::string::npos) << options;
}

TEST(GatefoldTitle, QuittingWhileAPageIsOpenEndsCleanly) {
    // Esc while each modal page runs ends the menu with 0; under the sanitizer builds a page
    // left undeleted would fail the run as a leak.
    const std::vector<std::pair<int, int>> pages = {
        {108, 390},  // hall of fame
        {400, 340},  // players
        {108, 460},  // credits
    };
    for (const auto& [x, y] : pages) {
        MenuFolder menu(true);
        auto run = menu.run("wait 5\n" + clickSlot(1) + click(x, y) + "key 1\nwait 10\n");
        EXPECT_EQ(run.exitStatus, 0) << x << "," << y;
        ASSERT_FALSE(run.transcript.empty());
        EXPECT_EQ(run.transcript.back(), "exit\t0");
    }
    MenuFolder menu(false);
    auto run = menu.run("wait 5\n" + click(670, 105) + "key 1\nwait 10\n");
    EXPECT_EQ(run.exitStatus, 0) << "information page";
}

}  // namespace
