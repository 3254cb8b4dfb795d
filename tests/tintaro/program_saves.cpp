// Tintaro's saved game through the headless contract: every way of leaving, the menu hand-over,
// resuming, the solved screen, the hall-of-fame row, the upload and each user's own folder.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "games/tintaro/wheel_game.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tintaro_arms.h"
#include "tests/tintaro/program_fixture.h"
#include "tests/tintaro/solver.h"

using namespace tintarotest;

namespace {

namespace fs = std::filesystem;
const char* kMenu = "click 540 545\nwait 5\n";

TEST(TintaroProgram, EveryWayOfLeavingSavesTheGameAsExitDoes) {
    std::string turns = "wait 5\n";
    for (int i : {0, 2, 4}) {
        int x = 0, y = 0;
        ASSERT_TRUE(armPoint(kArms[i], false, x, y));
        turns += click(x, y);
    }
    auto leave = [&](const std::string& script, const testsupport::TempDir& dir) {
        auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
        EXPECT_EQ(run.exitStatus, 0) << script;
        for (const auto& line : run.transcript) EXPECT_NE(line.rfind("messagebox", 0), 0u) << line;
    };
    // Compared whole, without printing kilobytes of table on a failure.
    auto same = [](const fs::path& file, const std::string& bytes) {
        return readFile(file) == bytes;
    };
    testsupport::TempDir byExit;
    copyGame(byExit);
    leave(turns + kExit, byExit);
    const std::string moves = readFile(byExit.path() / "moves.dat");
    const std::string table = readFile(byExit.path() / "hiscore.dat");
    ASSERT_EQ(int32At(moves, 0), 3);
    ASSERT_GT(int32At(table, 4 + 256), 0);
    // Esc, the window closed (also with the help page open) and the script's end.
    for (const std::string& ending :
         std::vector<std::string>{"key 1\nwait 10\n", "close\nwait 10\n",
                                  std::string(kHelp) + "close\nwait 10\n", std::string()}) {
        testsupport::TempDir dir;
        copyGame(dir);
        leave(turns + ending, dir);
        EXPECT_TRUE(same(dir.path() / "moves.dat", moves)) << ending;
        EXPECT_TRUE(same(dir.path() / "hiscore.dat", table)) << ending;
        // Resumed and closed again: the game keeps its one row.
        leave("wait 5\nclose\nwait 10\n", dir);
        EXPECT_TRUE(same(dir.path() / "hiscore.dat", table)) << ending;
    }
}

TEST(TintaroProgram, MenuWithoutACommandLineOnlyClicksAndWithOneStartsTheMenu) {
    {
        testsupport::TempDir dir;
        copyGame(dir);
        const std::string script = "wait 5\n" + std::string(kMenu) + "wait 5\ncapture still.bmp\n";
        auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_TRUE(fs::exists(run.captureDir + "/still.bmp")) << "the game went on";
        for (const auto& line : run.transcript) EXPECT_NE(line.rfind("launch", 0), 0u) << line;
    }
    {
        testsupport::TempDir dir;
        copyGame(dir);
        // A menu folder that exists (a missing one starts nothing), with a space in its name.
        const std::string folder = dir.str() + "/menu folder";
        fs::create_directories(folder);
        int x = 0, y = 0;
        ASSERT_TRUE(armPoint(kArms[0], false, x, y));
        const std::string script =
            "wait 5\n" + click(x, y) + std::string(kMenu) + "wait 5\ncapture late.bmp\n";
        auto run = testsupport::runHeadless(kProgram, dir.str(), script, {"--", folder}, dir.str());
        EXPECT_EQ(run.exitStatus, 0);
        int launches = 0;
        for (const auto& line : run.transcript)
            if (line.rfind("launch", 0) == 0) {
                ++launches;
                EXPECT_EQ(line, "launch\topen\t" + folder + "\\Gatefold.exe\tTintaro\t" + folder);
            }
        EXPECT_EQ(launches, 1);
        EXPECT_FALSE(fs::exists(run.captureDir + "/late.bmp")) << "the game ended";
        // The move and the score were saved on the way out.
        EXPECT_EQ(int32At(readFile(dir.path() / "moves.dat"), 0), 1);
        EXPECT_EQ(int32At(readFile(dir.path() / "hiscore.dat"), 4 + 256), 400);
    }
    {
        // A folder too long for the menu's path starts nothing and the game goes on.
        testsupport::TempDir dir;
        copyGame(dir);
        const std::string script = "wait 5\n" + std::string(kMenu) + "wait 5\ncapture still.bmp\n";
        auto run = testsupport::runHeadless(kProgram, dir.str(), script,
                                            {"--", "/" + std::string(300, 'm')}, dir.str());
        EXPECT_EQ(run.exitStatus, 0);
        EXPECT_TRUE(fs::exists(run.captureDir + "/still.bmp"));
        for (const auto& line : run.transcript) EXPECT_NE(line.rfind("launch", 0), 0u);
    }
    {
        // A menu folder that is gone: the game says so and stays, its turn still there.
        testsupport::TempDir dir;
        copyGame(dir);
        const std::string folder = dir.str() + "/removed menu";
        int x = 0, y = 0;
        ASSERT_TRUE(armPoint(kArms[0], false, x, y));
        const std::string script = "wait 5\n" + click(x, y) + std::string(kMenu) +
                                   "wait 5\ncapture stayed.bmp\n" + std::string(kExit);
        auto run = testsupport::runHeadless(kProgram, dir.str(), script, {"--", folder}, dir.str());
        EXPECT_EQ(run.exitStatus, 0);
        ASSERT_TRUE(fs::exists(run.captureDir + "/stayed.bmp")) << "the game ended";
        EXPECT_EQ(boardOf(testsupport::readBmp24(run.captureDir + "/stayed.bmp")),
                  boardAfter({{0, 0}}));
        std::vector<std::string> boxes;
        for (const auto& line : run.transcript) {
            EXPECT_NE(line.rfind("launch", 0), 0u) << line;
            if (line.rfind("messagebox", 0) == 0) boxes.push_back(line);
        }
        EXPECT_EQ(boxes,
                  std::vector<std::string>{"messagebox\tThe menu could not be started from " +
                                           folder + ". The game goes on.\tTintaro"});
        EXPECT_EQ(int32At(readFile(dir.path() / "moves.dat"), 0), 1);
    }
}

TEST(TintaroProgram, ASecondStartResumesTheSavedGame) {
    int a = 0, b = 0, c = 0, d = 0;
    ASSERT_TRUE(armPoint(kArms[0], false, a, b));
    ASSERT_TRUE(armPoint(kArms[5], false, c, d));
    testsupport::TempDir dir;
    copyGame(dir);
    auto first = testsupport::runHeadless(
        kProgram, dir.str(), "wait 5\n" + click(a, b) + click(c, d) + "capture left.bmp\n" + kExit,
        {}, dir.str());
    ASSERT_EQ(first.exitStatus, 0);
    auto second = resumeAndCapture(dir, "second");
    ASSERT_EQ(second.exitStatus, 0);
    const std::string expected = boardAfter({{0, 0}, {1, 0}});
    const auto left = testsupport::readBmp24(first.captureDir + "/left.bmp");
    const auto resumed = testsupport::readBmp24(second.captureDir + "/resumed.bmp");
    EXPECT_EQ(boardOf(left), expected);
    EXPECT_EQ(boardOf(resumed), expected);
    // The numbers area too: same score, bonus and moves as when the game was left, with the
    // table's best now shown as well.
    int same = 0;
    for (int y = 90; y < 268; ++y)
        for (int x = 658; x < 774; ++x) {
            int r1, g1, b1, r2, g2, b2;
            left.pixel(x, y, r1, g1, b1);
            resumed.pixel(x, y, r2, g2, b2);
            same += r1 == r2 && g1 == g2 && b1 == b2;
        }
    EXPECT_EQ(same, 116 * 178);
}

TEST(TintaroProgram, TheSolvedScreenShowsTheWholeCongratulationLiveAndResumed) {
    tintarotest::Solver solver;
    const std::vector<tintarotest::Click> clicks = solver.solve(startBoard(), 120);
    ASSERT_FALSE(clicks.empty());
    testsupport::TempDir dir;
    copyGame(dir);
    // The game is resumed one click short of solved; the player makes that click.
    writeMoves(dir.path() / "moves.dat", {clicks.begin(), clicks.end() - 1});
    int x = 0, y = 0;
    ASSERT_TRUE(armPoint(armFor(clicks.back().first, clicks.back().second), false, x, y));
    auto live = testsupport::runHeadless(
        kProgram, dir.str(), "wait 5\n" + click(x, y) + "wait 3\ncapture solved.bmp\n" + kExit, {},
        dir.str());
    ASSERT_EQ(live.exitStatus, 0);
    auto resumed = resumeAndCapture(dir, "again");
    ASSERT_EQ(resumed.exitStatus, 0);

    const auto solved = testsupport::readBmp24(live.captureDir + "/solved.bmp");
    const auto again = testsupport::readBmp24(resumed.captureDir + "/resumed.bmp");
    const auto congrats = testsupport::readBmp24(kGame + "/congrats.bmp");
    ASSERT_TRUE(solved.ok() && again.ok() && congrats.ok());
    const int opaque = opaquePixels("congrats.bmp", 1, 0);
    EXPECT_EQ(matchingPixels(solved, "congrats.bmp", 1, 0, 159, 73), opaque) << "live";
    EXPECT_EQ(matchingPixels(again, "congrats.bmp", 1, 0, 159, 73), opaque) << "resumed";
    // The resumed game shows the panel, score, bonus and moves of the live solve; only the
    // best differs, as the solve has entered the table since.
    EXPECT_EQ(differingPixels(solved, again, 9, 21, 130, 430), 0) << "panel";
    EXPECT_EQ(differingPixels(solved, again, 658, 90, 116, 178), 0) << "numbers";
    EXPECT_GT(differingPixels(solved, again, 658, 20, 116, 60), 0) << "best";
}

TEST(TintaroProgram, AResumedGameKeepsOneRowInTheHallOfFame) {
    // A second click that raises the score above the first click's 400.
    int better = -1;
    for (int i = 0; i < 6 && better < 0; ++i) {
        WheelGame game;
        std::memcpy(game.cells, tintaro::startLayout, tintaro::kCells);
        game.rotateRing(0, 0);
        game.evaluateBoard(0);
        game.rotateRing(kArms[i].ring, kArms[i].direction);
        game.evaluateBoard(0);
        if (game.getScore() > 400) better = i;
    }
    ASSERT_GE(better, 0);
    int ax = 0, ay = 0, bx = 0, by = 0;
    ASSERT_TRUE(armPoint(kArms[0], false, ax, ay));
    ASSERT_TRUE(armPoint(kArms[better], false, bx, by));
    testsupport::TempDir dir;
    copyGame(dir);
    auto rows = [&dir] {
        const std::string table = readFile(dir.path() / "hiscore.dat");
        std::vector<std::pair<std::string, int>> out;
        for (int i = 0; i < 20 && table.size() == 5204u; ++i) {
            const std::string name(table.data() + 4 + 260 * i);
            if (!name.empty()) out.push_back({name, int32At(table, 4 + 260 * i + 256)});
        }
        return out;
    };
    using Rows = std::vector<std::pair<std::string, int>>;
    ASSERT_EQ(testsupport::runHeadless(kProgram, dir.str(), "wait 5\n" + click(ax, ay) + kExit, {},
                                       dir.str())
                  .exitStatus,
              0);
    EXPECT_EQ(rows(), (Rows{{"Player1:::Y", 400}}));
    // Resumed and left again with the same score: still one row.
    ASSERT_EQ(testsupport::runHeadless(kProgram, dir.str(), "wait 5\n" + std::string(kExit), {},
                                       dir.str())
                  .exitStatus,
              0);
    EXPECT_EQ(rows(), (Rows{{"Player1:::Y", 400}}));
    // The moves are where they always were, in front of what the game remembers of its row.
    const std::string moves = readFile(dir.path() / "moves.dat");
    ASSERT_GE(moves.size(), 12u);
    EXPECT_EQ(int32At(moves, 0), 1);
    EXPECT_EQ(int32At(moves, 4), 0);
    // Resumed, improved and left through "menu": the row is updated, not doubled.
    WheelGame reference;
    std::memcpy(reference.cells, tintaro::startLayout, tintaro::kCells);
    reference.rotateRing(0, 0);
    reference.evaluateBoard(0);
    reference.rotateRing(kArms[better].ring, kArms[better].direction);
    reference.evaluateBoard(0);
    ASSERT_EQ(testsupport::runHeadless(kProgram, dir.str(),
                                       "wait 5\n" + click(bx, by) + std::string(kMenu) + "wait 5\n",
                                       {"--", dir.str()}, dir.str())
                  .exitStatus,
              0);
    EXPECT_EQ(rows(), (Rows{{"Player1:::Y", reference.getScore()}}));
    // A new game is a new entry.
    ASSERT_EQ(testsupport::runHeadless(kProgram, dir.str(),
                                       "wait 5\n" + std::string(kNewGame) + click(ax, ay) + kExit,
                                       {}, dir.str())
                  .exitStatus,
              0);
    EXPECT_EQ(rows(), (Rows{{"Player1:::Y", reference.getScore()}, {"Player1:::Y", 400}}));
}

TEST(TintaroProgram, TheMenuUploadsTheMovesOfTheGameThatMadeTheTopRow) {
    // Blue top (ring 0 clockwise), magenta right (ring 2 counter-clockwise), yellow bottom
    // (ring 1 clockwise): the codes 0, 5 and 2.
    const std::vector<const ArmPlace*> played = {&kArms[0], &kArms[3], &kArms[5]};
    WheelGame rules;
    std::memcpy(rules.cells, tintaro::startLayout, tintaro::kCells);
    std::string script = "wait 5\n";
    for (const ArmPlace* a : played) {
        int x = 0, y = 0;
        ASSERT_TRUE(armPoint(*a, false, x, y));
        script += click(x, y);
        rules.rotateRing(a->ring, a->direction);
        rules.evaluateBoard(0);
    }
    ASSERT_GT(rules.getScore(), 0);
    // A menu folder with the game's folder in it, as installed.
    testsupport::TempDir menu;
    for (const auto& e : fs::directory_iterator(STUDIO_STAGE_DIR)) {
        const std::string ext = e.path().extension().string();
        if (e.is_regular_file() && (ext == ".bmp" || ext == ".ini"))
            fs::copy_file(e.path(), menu.path() / e.path().filename());
    }
    const fs::path game = menu.path() / "Tintaro";
    fs::create_directories(game);
    copyGame(game);
    ASSERT_EQ(testsupport::runHeadless(kProgram, game.string(), script + kExit, {}, game.string())
                  .exitStatus,
              0);
    ASSERT_TRUE(fs::exists(game / "hiscore.moves"));
    // The menu: Tintaro's slot, High Scores, Upload.
    auto menuClick = [](int x, int y) {
        return "move " + std::to_string(x) + " " + std::to_string(y) + "\nwait 2\nclick " +
               std::to_string(x) + " " + std::to_string(y) + "\nwait 4\n";
    };
    const auto run =
        testsupport::runHeadless(std::string(STUDIO_STAGE_DIR) + "/Gatefold-headless", menu.str(),
                                 "wait 5\n" + menuClick(74, 180) + menuClick(108, 390) +
                                     menuClick(615, 116) + "key 1\nwait 10\n",
                                 {}, menu.str());
    ASSERT_EQ(run.exitStatus, 0);
    std::vector<std::string> launches;
    for (const auto& line : run.transcript)
        if (line.rfind("launch\t", 0) == 0) launches.push_back(line);
    EXPECT_EQ(launches, std::vector<std::string>{
                            "launch\topen\thttp://www.example.com/cgi-bin/hiscore.cgi?game=Tintaro"
                            "&name=Player1%3A%3A%3AY&score=" +
                            std::to_string(rules.getScore() ^ 0x3C3C3C3) + "&moves=052\t\t"});
}

TEST(TintaroProgram, InAnInstalledTreeEachUsersSavesGoToTheirOwnDataFolder) {
    int x = 0, y = 0;
    ASSERT_TRUE(armPoint(kArms[0], false, x, y));
    testsupport::TempDir dir;
    const fs::path menu = dir.path() / "menu";
    const fs::path game = menu / "Tintaro";
    fs::create_directories(game);
    testsupport::TempDir gameFiles;
    copyGame(gameFiles);
    fs::copy(gameFiles.path(), game, fs::copy_options::recursive);
    std::ofstream(menu / "userdata.ini") << "[userdata]\nfolder=Gatefold\n";
    auto runAs = [&](const std::string& user, const std::string& script) {
        ::setenv("XDG_DATA_HOME", (dir.path() / user).c_str(), 1);
        auto run = testsupport::runHeadless(kProgram, game.string(), script, {},
                                            (dir.path() / ("work-" + user)).string());
        ::unsetenv("XDG_DATA_HOME");
        return run;
    };
    fs::create_directories(dir.path() / "work-anna");
    fs::create_directories(dir.path() / "work-ben");
    ASSERT_EQ(runAs("anna", "wait 5\n" + click(x, y) + kExit).exitStatus, 0);
    // Anna's game and score are in her folder, laid out as the tree; the tree is untouched.
    const fs::path anna = dir.path() / "anna" / "Gatefold" / "Tintaro";
    EXPECT_EQ(int32At(readFile(anna / "moves.dat"), 0), 1);
    EXPECT_EQ(readFile(anna / "hiscore.dat").size(), 5204u);
    EXPECT_FALSE(fs::exists(game / "moves.dat"));
    EXPECT_FALSE(fs::exists(game / "hiscore.dat"));
    // Her next start resumes it; Ben starts afresh and leaves hers alone.
    auto resumed = runAs("anna", "wait 5\ncapture resumed.bmp\nkey 1\nwait 5\n");
    ASSERT_EQ(resumed.exitStatus, 0);
    EXPECT_EQ(boardOf(testsupport::readBmp24(resumed.captureDir + "/resumed.bmp")),
              boardAfter({{0, 0}}));
    const std::string annasMoves = readFile(anna / "moves.dat");
    auto ben = runAs("ben", "wait 5\ncapture fresh.bmp\n" + std::string(kNewGame) + kExit);
    ASSERT_EQ(ben.exitStatus, 0);
    EXPECT_EQ(boardOf(testsupport::readBmp24(ben.captureDir + "/fresh.bmp")), startBoard());
    EXPECT_EQ(readFile(dir.path() / "ben" / "Gatefold" / "Tintaro" / "moves.dat"),
              std::string(4, '\0'));
    EXPECT_EQ(readFile(anna / "moves.dat"), annasMoves);
    EXPECT_FALSE(fs::exists(game / "moves.dat"));
}

}  // namespace
