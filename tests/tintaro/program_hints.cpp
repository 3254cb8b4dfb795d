// Tintaro's hints through the headless contract: a player who follows the lit arm, also resuming
// the game before every click or clicking arms of their own in between, solves the puzzle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "games/tintaro/wheel_solver.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"
#include "tests/support/tintaro_arms.h"
#include "tests/tintaro/program_fixture.h"

using namespace tintarotest;

namespace {

namespace fs = std::filesystem;

TEST(TintaroProgram, APlayerWhoOnlyClicksTheHintedArmsSolvesThePuzzle) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // Sanitizer builds run the solver many times slower than the suite's time allows for a
    // whole game: there one hint on the start layout lights exactly one arm.
    testsupport::TempDir quick;
    copyGame(quick);
    auto run = testsupport::runHeadless(
        kProgram, quick.str(),
        "wait 5\nmove 790 590\nwait 2\nkey 35\nwait 2\ncapture hint.bmp\n" + std::string(kExit), {},
        quick.str());
    ASSERT_EQ(run.exitStatus, 0);
    EXPECT_EQ(litArms(testsupport::readBmp24(run.captureDir + "/hint.bmp")).size(), 1u);
    return;
#endif
    // What the game will plan from a board: the same solver, the same board.
    const tintaro::WheelSolver solver;
    // The start layout, and three boards a few random clicks away from nearly solved ones (a
    // solve from the start cut short, then the clicks): reachable without passing through
    // the solved board, and quick to play out.
    const std::string start = startBoard();
    std::vector<std::pair<int, int>> solve;
    for (const tintaro::Click& c : solver.solve(start.data()))
        solve.push_back({c.ring, c.direction});
    ASSERT_FALSE(solve.empty());
    std::mt19937 random(20261208);
    std::vector<std::vector<std::pair<int, int>>> openings(4);
    for (size_t i = 1; i < openings.size(); ++i) {
        openings[i].assign(solve.begin(), solve.end() - static_cast<long>(10 * i));
        for (int k = 0; k < 8; ++k)
            openings[i].push_back({static_cast<int>(random() % 3), static_cast<int>(random() % 2)});
    }
    for (size_t o = 0; o < openings.size(); ++o) {
        testsupport::TempDir dir;
        copyGame(dir);
        std::vector<std::pair<int, int>> played = openings[o];
        bool solved = false;
        // In runs of up to 60 hints, each resuming the saved game, so few captures pile up.
        for (int chunk = 0; chunk < 20 && !solved; ++chunk) {
            writeMoves(dir.path() / "moves.dat", played);
            const std::string board = boardAfter(played);
            const std::vector<tintaro::Click> plan = solver.solve(board.data());
            ASSERT_FALSE(plan.empty()) << "opening " << o;
            const size_t n = std::min<size_t>(60, plan.size());
            std::string script = "wait 5\n";
            for (size_t k = 0; k < n; ++k) {
                int x = 0, y = 0;
                ASSERT_TRUE(armPoint(armFor(plan[k].ring, plan[k].direction), false, x, y));
                // The pointer rests off the arms, so only the hint can light one.
                script += "move 790 590\nwait 2\nkey 35\nwait 2\ncapture hint" + std::to_string(k) +
                          ".bmp\n" + click(x, y);
            }
            script += kExit;
            auto run = testsupport::runHeadless(kProgram, dir.str(), script, {}, dir.str());
            ASSERT_EQ(run.exitStatus, 0);
            for (size_t k = 0; k < n; ++k) {
                const std::string file = run.captureDir + "/hint" + std::to_string(k) + ".bmp";
                const auto shot = testsupport::readBmp24(file);
                ASSERT_TRUE(shot.ok()) << file;
                const ArmPlace& expected = armFor(plan[k].ring, plan[k].direction);
                const std::vector<int> lit = litArms(shot);
                ASSERT_EQ(lit.size(), 1u) << "opening " << o << ", hint " << played.size() + k;
                EXPECT_STREQ(kArms[lit[0]].name, expected.name);
                fs::remove(file);
            }
            for (size_t k = 0; k < n; ++k) played.push_back({plan[k].ring, plan[k].direction});
            // A hint is not a move: the saved game holds exactly the clicks.
            EXPECT_EQ(int32At(readFile(dir.path() / "moves.dat"), 0),
                      static_cast<std::int32_t>(played.size()));
            solved = n == plan.size();
        }
        ASSERT_TRUE(solved) << "opening " << o;
        // The game itself agrees: resumed, it shows the congratulation.
        auto resumed = resumeAndCapture(dir, "end");
        ASSERT_EQ(resumed.exitStatus, 0);
        EXPECT_EQ(matchingPixels(testsupport::readBmp24(resumed.captureDir + "/resumed.bmp"),
                                 "congrats.bmp", 1, 0, 159, 73),
                  opaquePixels("congrats.bmp", 1, 0))
            << "opening " << o;
    }
}

// A game folder inside `root`, with the menu's options.ini beside it turning the music off: a
// start then does not wait for the music to fade in.
fs::path quietGame(const testsupport::TempDir& root) {
    const fs::path game = root.path() / "Tintaro";
    fs::create_directories(game);
    copyGame(game);
    root.write("options.ini", "[setup]\r\nmusic=N\r\n");
    return game;
}

// A player who plays one click a sitting: every run resumes moves.dat, clicks the arm the
// previous run's hint lit (every `ownEvery`-th click a random arm instead, 0 for never),
// asks for a hint, captures it and leaves with Exit, until the game shows itself solved.
struct Walk {
    bool solved = false;
    int hinted = 0;  // clicks on the lit arm
    int own = 0;     // random clicks
};

Walk walkOneClickASitting(const fs::path& game, std::vector<std::pair<int, int>> played,
                          int maxRuns, int ownEvery, std::mt19937& random) {
    const int congrats = opaquePixels("congrats.bmp", 1, 0);
    // Where to click each arm, found once.
    std::vector<std::pair<int, int>> points;
    for (const ArmPlace& arm : kArms) {
        int x = 0, y = 0;
        EXPECT_TRUE(armPoint(arm, false, x, y));
        points.push_back({x, y});
    }
    writeMoves(game / "moves.dat", played);
    Walk walk;
    int next = -1;  // the arm to click this run, by index in kArms
    bool lastWasHinted = false;
    for (int run = 0; run < maxRuns; ++run) {
        std::string script = "wait 5\n";
        if (next >= 0) {
            const auto [x, y] = points[static_cast<size_t>(next)];
            script += click(x, y);
        }
        // The pointer rests off the arms, so only the hint can light one.
        script += "move 790 590\nwait 2\nkey 35\nwait 2\ncapture hint.bmp\n" + std::string(kExit);
        const auto result =
            testsupport::runHeadless(kProgram, game.string(), script, {}, game.string());
        EXPECT_EQ(result.exitStatus, 0);
        if (next >= 0) played.push_back({kArms[next].ring, kArms[next].direction});
        // A hint is not a move: the saved moves are exactly the clicks, whatever follows them.
        std::string records;
        for (auto [ring, direction] : played) {
            records.append(reinterpret_cast<const char*>(&ring), 4);
            records.append(reinterpret_cast<const char*>(&direction), 4);
        }
        const std::string saved = readFile(game / "moves.dat");
        EXPECT_EQ(int32At(saved, 0), static_cast<std::int32_t>(played.size()));
        EXPECT_EQ(saved.substr(4, records.size()), records) << "after " << played.size();
        const auto shot = testsupport::readBmp24(result.captureDir + "/hint.bmp");
        EXPECT_TRUE(shot.ok());
        // Solved by the rules, the game must show it; the arms are gone then.
        if (tintaro::WheelSolver::solved(boardAfter(played).data())) {
            walk.solved = matchingPixels(shot, "congrats.bmp", 1, 0, 159, 73) == congrats;
            return walk;
        }
        const std::vector<int> lit = litArms(shot);
        if (lit.size() != 1u) {
            ADD_FAILURE() << lit.size() << " arms lit after " << played.size() << " clicks";
            return walk;
        }
        // The hint never undoes the hinted click just made: that arm's ring the other way.
        if (lastWasHinted) {
            EXPECT_FALSE(kArms[lit[0]].ring == played.back().first &&
                         (kArms[lit[0]].direction != 0) != (played.back().second != 0))
                << "undoes click " << played.size();
        }
        lastWasHinted = !(ownEvery > 0 && (walk.hinted + walk.own + 1) % ownEvery == 0);
        next = lastWasHinted ? lit[0] : static_cast<int>(random() % 6);
        ++(lastWasHinted ? walk.hinted : walk.own);
    }
    return walk;
}

// Openings near the solved board: a solve from the start cut `cut` clicks before its end,
// checked not to pass through the solved board (its replay would show the game solved).
std::vector<std::pair<int, int>> nearlySolved(const tintaro::WheelSolver& solver, size_t cut) {
    std::vector<std::pair<int, int>> clicks;
    for (const tintaro::Click& c : solver.solve(startBoard().data()))
        clicks.push_back({c.ring, c.direction});
    EXPECT_GT(clicks.size(), cut);
    clicks.resize(clicks.size() > cut ? clicks.size() - cut : 0);
    std::string board = startBoard();
    for (auto [ring, direction] : clicks) {
        EXPECT_FALSE(tintaro::WheelSolver::solved(board.data()));
        tintaro::turnRing(board.data(), ring, direction);
    }
    EXPECT_FALSE(tintaro::WheelSolver::solved(board.data()));
    return clicks;
}

TEST(TintaroProgram, APlayerWhoResumesTheGameBeforeEveryHintedClickSolvesThePuzzle) {
    const tintaro::WheelSolver solver;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // Sanitizer builds start the program many times slower: only a short walk there.
    const std::vector<size_t> cuts = {6};
    const bool fromStart = false;
#else
    const std::vector<size_t> cuts = {15, 40};
    const bool fromStart = true;
#endif
    std::vector<std::vector<std::pair<int, int>>> openings;
    if (fromStart) openings.push_back({});
    for (size_t cut : cuts) openings.push_back(nearlySolved(solver, cut));
    std::mt19937 random(20261209);
    for (size_t o = 0; o < openings.size(); ++o) {
        // The game plans once, from the board it resumes, and follows that plan to the end.
        const size_t planned = solver.solve(boardAfter(openings[o]).data()).size();
        ASSERT_GT(planned, 0u);
        testsupport::TempDir root;
        const Walk walk = walkOneClickASitting(quietGame(root), openings[o],
                                               static_cast<int>(planned) + 1, 0, random);
        std::printf("opening %zu: planned %zu, solved %d after %d clicks\n", o, planned,
                    walk.solved ? 1 : 0, walk.hinted);
        EXPECT_TRUE(walk.solved) << "opening " << o << " after " << walk.hinted << " clicks";
        EXPECT_EQ(walk.hinted, static_cast<int>(planned)) << "opening " << o;
    }
}

TEST(TintaroProgram, ClicksOfThePlayersOwnBetweenHintsEachLengthenTheWayByOneAtMost) {
    const tintaro::WheelSolver solver;
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    const size_t cut = 8;
#else
    const size_t cut = 40;
#endif
    const std::vector<std::pair<int, int>> opening = nearlySolved(solver, cut);
    const int planned = static_cast<int>(solver.solve(boardAfter(opening).data()).size());
    ASSERT_GT(planned, 0);
    testsupport::TempDir root;
    std::mt19937 random(20261210);
    // Every fifth click a random arm: each may add one click to the way, no more.
    const Walk walk = walkOneClickASitting(quietGame(root), opening, 2 * planned + 10, 5, random);
    std::printf("planned %d, solved %d after %d hinted and %d own clicks\n", planned,
                walk.solved ? 1 : 0, walk.hinted, walk.own);
    EXPECT_TRUE(walk.solved) << walk.hinted << " hinted and " << walk.own << " own clicks";
    EXPECT_GT(walk.own, 0);
    EXPECT_LE(walk.hinted, planned + walk.own);
}

}  // namespace
