// Many random games: rotations only move chips, scores only rise, and undoing a sequence
// in reverse restores the board.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "tests/tintaro/game_fixture.h"

using namespace tintarotest;

namespace {

TEST(RandomPlay, ChipsAreKeptScoresRiseAndInversesRestore) {
    GameFolder folder;
    CountingGame game;
    std::mt19937 random(20240607);
    for (int round = 0; round < 200; ++round) {
        game.newGame();
        const std::string start = board(game);
        std::string sortedStart = start;
        std::sort(sortedStart.begin(), sortedStart.end());

        const int length = std::uniform_int_distribution<int>(1, 300)(random);
        std::vector<std::pair<int, int>> sequence;
        int previousScore = game.getScore();
        int previousBest[3] = {0, 0, 0};
        for (int i = 0; i < length; ++i) {
            const int ring = std::uniform_int_distribution<int>(0, 2)(random);
            const int direction = std::uniform_int_distribution<int>(0, 1)(random);
            sequence.emplace_back(ring, direction);
            game.rotateRing(ring, direction);
            game.evaluateBoard(1);
            std::string sorted = board(game);
            std::sort(sorted.begin(), sorted.end());
            ASSERT_EQ(sorted, sortedStart) << "round " << round << " move " << i;
            ASSERT_GE(game.getScore(), previousScore) << "round " << round << " move " << i;
            for (int r = 0; r < 3; ++r) {
                ASSERT_GE(game.bestCount(r), previousBest[r]);
                ASSERT_GE(game.bestCount(r), game.currentCount(r));
                previousBest[r] = game.bestCount(r);
            }
            previousScore = game.getScore();
        }
        for (auto it = sequence.rbegin(); it != sequence.rend(); ++it)
            game.rotateRing(it->first, it->second == 0 ? 1 : 0);
        ASSERT_EQ(board(game), start) << "round " << round;
        // Undoing is moving too: every rotation counted and cost its bonus.
        ASSERT_EQ(game.moves, 2 * length);
        ASSERT_EQ(game.bonus, 500000 - 125 * 2 * length);
    }
}

}  // namespace
