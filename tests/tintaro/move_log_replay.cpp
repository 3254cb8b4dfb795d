// The move log: its file, replay of a saved game into the same state (silently), damaged
// files replayed up to their first bad record, crash-safe saving, the hint's plan kept with
// the moves, and a real solve from the start layout found by search and replayed.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "platform/faults.h"
#include "tests/tintaro/game_fixture.h"
#include "tests/tintaro/solver.h"

using namespace tintarotest;

namespace {

std::string int32s(const std::vector<std::int32_t>& values) {
    std::string bytes(values.size() * 4, '\0');
    std::memcpy(bytes.data(), values.data(), bytes.size());
    return bytes;
}

class MoveLogReplay : public ::testing::Test {
protected:
    void SetUp() override {
        folder.write("setup.ini", "[setup]\r\nfullscreen=0\r\nloadmoves=1\r\n");
        game.view = &view;
        game.newGame();
    }
    void TearDown() override { platform::faultClearAll(); }
    // A click as the game screen makes it: turn, log, evaluate with the bell.
    void play(int ring, int direction) {
        game.rotateRing(ring, direction);
        game.recordMove(ring, direction);
        game.evaluateBoard(1);
    }

    GameFolder folder;
    RecordingView view;
    CountingGame game;
};

TEST_F(MoveLogReplay, ASavedGameReplaysExactlyAndWithoutTheBell) {
    const int clicks[][2] = {{0, 0}, {1, 1}, {2, 0}, {2, 0}, {0, 1}, {1, 0}, {1, 0}};
    for (const auto& c : clicks) play(c[0], c[1]);
    game.saveMoves("moves.dat");
    ASSERT_EQ(folder.read("moves.dat"), int32s({7, 0, 0, 1, 1, 2, 0, 2, 0, 0, 1, 1, 0, 1, 0}));

    CountingGame again;
    again.view = &view;
    again.newGame();
    EXPECT_EQ(board(again), board(game));
    EXPECT_EQ(again.moves, 7);
    EXPECT_EQ(again.bonus, 500000 - 7 * 125);
    EXPECT_EQ(again.getScore(), game.getScore());
    for (int r = 0; r < 3; ++r) EXPECT_EQ(again.ringProgress[r], game.ringProgress[r]) << r;
    EXPECT_EQ(again.count("bell"), 0) << "a replay is silent";
    ASSERT_NE(again.moveLog, nullptr);
    EXPECT_EQ(again.moveLog->size(), 7) << "the replayed moves are the log again";
}

TEST_F(MoveLogReplay, WithoutLoadmovesTheSavedGameIsIgnored) {
    play(0, 0);
    game.saveMoves("moves.dat");
    folder.write("setup.ini", "[setup]\r\nloadmoves=0\r\n");
    CountingGame again;
    again.newGame();
    EXPECT_EQ(board(again), kStartBoard);
    EXPECT_EQ(again.moves, 0);
}

TEST_F(MoveLogReplay, AnEmptyLogIsFourBytesOfZero) {
    game.saveMoves("moves.dat");
    EXPECT_EQ(folder.read("moves.dat"), std::string(4, '\0'));
    CountingGame again;
    again.newGame();
    EXPECT_EQ(board(again), kStartBoard);
}

TEST_F(MoveLogReplay, DamagedFilesReplayOnlyTheMovesBeforeTheFirstBadRecord) {
    struct Case {
        const char* what;
        std::string bytes;
        int replayed;
    };
    std::string cut = int32s({3, 0, 0, 1, 1, 2});  // the third record is half there
    const std::vector<Case> cases = {
        {"count larger than the records", int32s({5, 0, 0, 1, 1}), 2},
        {"a record cut short", cut, 2},
        {"ring 3", int32s({3, 0, 0, 3, 1, 1, 1}), 1},
        {"ring -1", int32s({2, -1, 0, 1, 1}), 0},
        {"negative count", int32s({-4, 0, 0}), 0},
        {"shorter than a count", std::string("\x01\x00", 2), 0},
    };
    for (const Case& c : cases) {
        folder.write("moves.dat", c.bytes);
        CountingGame again;
        again.newGame();
        EXPECT_EQ(again.moves, c.replayed) << c.what;
        std::vector<std::pair<int, int>> expected = {{0, 0}, {1, 1}};
        CountingGame reference;
        std::memcpy(reference.cells, tintaro::startLayout, tintaro::kCells);
        for (int i = 0; i < c.replayed; ++i)
            reference.rotateRing(expected[static_cast<size_t>(i)].first,
                                 expected[static_cast<size_t>(i)].second);
        EXPECT_EQ(board(again), board(reference)) << c.what;
    }
}

TEST_F(MoveLogReplay, AFailedWriteLeavesThePreviousLogWhole) {
    play(2, 1);
    game.saveMoves("moves.dat");
    const std::string saved = folder.read("moves.dat");
    play(0, 0);
    play(1, 0);
    platform::faultSet("file-write", true);
    game.saveMoves("moves.dat");
    platform::faultSet("file-write", false);
    EXPECT_EQ(folder.read("moves.dat"), saved);
}

std::vector<std::pair<int, int>> clicksOf(const HintPlan& plan) {
    std::vector<std::pair<int, int>> out;
    for (const MoveRecord& c : plan.clicks) out.push_back({c.ring, c.direction});
    return out;
}

TEST_F(MoveLogReplay, TheHintsPlanIsSavedLastAndComesBackOnlyWholeAndForItsBoard) {
    play(0, 0);
    play(1, 1);
    game.moveLog->entered = EnteredScore{true, 1234, "Anna"};
    game.saveMoves("moves.dat");
    const std::string without = folder.read("moves.dat");
    game.moveLog->plan = HintPlan{true, 2, {{2, 0}, {2, 0}, {0, 1}}};
    game.saveMoves("moves.dat");
    const std::string with = folder.read("moves.dat");
    const std::string plan = "HINT" + int32s({2, 3, 2, 0, 2, 0, 0, 1});
    // Readers that know only the moves and the row find them where they always were.
    ASSERT_EQ(with, without + plan);

    const std::string moves = without.substr(0, 20);
    const std::string entry = without.substr(20);
    struct Case {
        const char* what;
        std::string bytes;
        std::vector<std::pair<int, int>> plan;  // empty: no plan comes back
    };
    const std::string huge =
        "HINT" + int32s({2, MoveLog::kMaxPlanClicks + 1}) +
        std::string(8 * static_cast<size_t>(MoveLog::kMaxPlanClicks + 1), '\0');
    const std::vector<Case> cases = {
        {"as saved", with, {{2, 0}, {2, 0}, {0, 1}}},
        {"before the row", moves + plan + entry, {{2, 0}, {2, 0}, {0, 1}}},
        {"with clicks that undo each other",
         moves + entry + "HINT" + int32s({2, 5, 2, 0, 0, 1, 0, 0, 1, 1, 1, 1}),
         {{2, 0}, {1, 1}, {1, 1}}},
        {"made for another board", moves + entry + "HINT" + int32s({1, 3, 2, 0, 2, 0, 0, 1}), {}},
        {"cut short", moves + entry + "HINT" + int32s({2, 3, 2, 0, 2, 0}), {}},
        {"naming ring 3", moves + entry + "HINT" + int32s({2, 2, 2, 0, 3, 0}), {}},
        {"longer than a game keeps", moves + entry + huge, {}},
    };
    for (const Case& c : cases) {
        folder.write("moves.dat", c.bytes);
        CountingGame again;
        again.newGame();
        EXPECT_EQ(board(again), board(game)) << c.what;
        EXPECT_TRUE(again.moveLog->entered.present) << c.what;
        EXPECT_EQ(again.moveLog->entered.score, 1234) << c.what;
        EXPECT_EQ(again.moveLog->plan.present, !c.plan.empty()) << c.what;
        EXPECT_EQ(clicksOf(again.moveLog->plan), c.plan) << c.what;
    }
}

TEST_F(MoveLogReplay, ARealSolveFromTheStartIsFoundReplayedAndScored) {
    const auto started = std::chrono::steady_clock::now();
    Solver solver;
    const std::vector<Click> clicks = solver.solve(kStartBoard, 120);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_FALSE(clicks.empty()) << "no solution found";
    std::printf("solved in %zu clicks, searched %.1f s\n", clicks.size(), seconds);

    int bells = 0;
    for (size_t i = 0; i < clicks.size(); ++i) {
        ASSERT_EQ(game.getState(), tintaro::kStateStarting) << "solved early, at click " << i;
        play(clicks[i].first, clicks[i].second);
        if (game.getState() == tintaro::kStateSolved) {
            EXPECT_EQ(i + 1, clicks.size()) << "solved before the last click";
            break;
        }
        bells = game.count("bell");
    }
    EXPECT_GT(bells, 0);
    EXPECT_EQ(game.getState(), tintaro::kStateSolved);
    EXPECT_EQ(board(game), kSolvedBoard);
    const int n = static_cast<int>(clicks.size());
    EXPECT_EQ(game.getScore(), solvedScore(n));
    EXPECT_EQ(view.congratulations, 1);

    // Saved and replayed, the game comes back solved.
    game.saveMoves("moves.dat");
    RecordingView otherView;
    CountingGame again;
    again.view = &otherView;
    again.newGame();
    EXPECT_EQ(again.getState(), tintaro::kStateSolved);
    EXPECT_EQ(board(again), kSolvedBoard);
    EXPECT_EQ(again.getScore(), solvedScore(n));
    EXPECT_EQ(otherView.congratulations, 1);
    EXPECT_EQ(again.count("bell"), 0);
}

}  // namespace
