// The score of a move list from the start layout, against the game's own play of the same
// moves.
#include "games/tintaro/move_score.h"

#include <gtest/gtest.h>

#include <vector>

#include "games/tintaro/wheel_solver.h"
#include "tests/tintaro/game_fixture.h"

using namespace tintarotest;

namespace {

// Plays the moves as the game screen does: each click turns a ring, then the step evaluates.
int playedScore(const std::vector<MoveRecord>& moves) {
    CountingGame game;
    game.newGame();
    game.setState(tintaro::kStatePlaying);
    game.evaluateBoard(1);
    for (const MoveRecord& m : moves) {
        if (game.getState() != tintaro::kStatePlaying) break;
        game.rotateRing(m.ring, m.direction);
        game.evaluateBoard(1);
    }
    return game.getScore();
}

std::vector<MoveRecord> solvingMoves() {
    const tintaro::WheelSolver solver;
    std::vector<MoveRecord> moves;
    for (const tintaro::Click& c : solver.solve(tintaro::startLayout))
        moves.push_back({c.ring, c.direction});
    return moves;
}

TEST(MoveScore, MatchesTheGamesPlayOfUnsolvedMoveLists) {
    GameFolder folder;
    std::uint32_t seed = 12345;
    for (int length : {0, 1, 2, 7, 40, 300}) {
        std::vector<MoveRecord> moves;
        for (int i = 0; i < length; ++i) {
            seed = seed * 1103515245u + 12345u;
            moves.push_back(
                {static_cast<int>((seed >> 16) % 3), static_cast<int>((seed >> 8) & 1)});
        }
        const tintaro::ReplayedScore replayed = tintaro::scoreOfMoves(moves.data(), moves.size());
        EXPECT_EQ(replayed.score, playedScore(moves)) << length << " moves";
        EXPECT_EQ(replayed.solvedAfter, 0u);
    }
}

TEST(MoveScore, ASolvingListEarnsThePrizeWithTheBonusLeftAndNothingAfterIt) {
    GameFolder folder;
    std::vector<MoveRecord> moves = solvingMoves();
    ASSERT_FALSE(moves.empty());
    const tintaro::ReplayedScore replayed = tintaro::scoreOfMoves(moves.data(), moves.size());
    EXPECT_EQ(replayed.solvedAfter, moves.size());
    EXPECT_EQ(replayed.score, playedScore(moves));
    EXPECT_EQ(replayed.score,
              3600 + 300000 + 1000000 + 500000 - 125 * static_cast<int>(moves.size()));

    // Moves after the solve change nothing: the game takes no more.
    moves.push_back({0, 1});
    moves.push_back({2, 0});
    const tintaro::ReplayedScore longer = tintaro::scoreOfMoves(moves.data(), moves.size());
    EXPECT_EQ(longer.score, replayed.score);
    EXPECT_EQ(longer.solvedAfter, moves.size() - 2);
}

}  // namespace
