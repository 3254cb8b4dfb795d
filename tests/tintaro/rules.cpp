// The board, rotations, evaluation and score of the game.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>

#include "tests/tintaro/game_fixture.h"

using namespace tintarotest;
using tintaro::kCells;
using tintaro::kRingSize;

namespace {

std::map<char, int> colourCounts(const std::string& cells) {
    std::map<char, int> counts;
    for (char c : cells) ++counts[c];
    return counts;
}

class Rules : public ::testing::Test {
protected:
    void SetUp() override {
        game.view = &view;
        game.newGame();
    }

    GameFolder folder;
    RecordingView view;
    CountingGame game;
};

TEST_F(Rules, NewGameStartsFromTheStartLayoutWithNothingEarned) {
    EXPECT_EQ(board(game), kStartBoard);
    EXPECT_EQ(game.getScore(), 0);
    EXPECT_EQ(game.moves, 0);
    EXPECT_EQ(game.bonus, 500000);
    EXPECT_EQ(game.getState(), tintaro::kStateStarting);
    EXPECT_EQ(game.dirty, 1);
    EXPECT_EQ(game.getSettingA(), 120);
    EXPECT_EQ(game.getSettingB(), 15);
    EXPECT_EQ(game.getSettingC(), 120);
    EXPECT_EQ(game.getSettingD(), 120);
    EXPECT_EQ(game.getSettingE(), 0);
    ASSERT_NE(game.moveLog, nullptr);
    EXPECT_EQ(game.moveLog->size(), 0);
    EXPECT_EQ(view.armsCalls, std::vector<int>{1});
    ASSERT_NE(game.highScores.entries, nullptr);
    EXPECT_EQ(game.highScores.count, 20);

    const std::map<char, int> expected{{'M', 8}, {'Y', 8}, {'C', 8}, {'B', 2}, {'R', 2}, {'G', 2}};
    EXPECT_EQ(colourCounts(board(game)), expected);
    EXPECT_EQ(colourCounts(kSolvedBoard), expected);

    // No ring holds a single accepted colour at the start, so the first look earns nothing.
    game.evaluateBoard(1);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(game.currentCount(r), 0) << "ring " << r;
        EXPECT_EQ(game.bestCount(r), 0) << "ring " << r;
    }
    EXPECT_EQ(game.getScore(), 0);
    EXPECT_EQ(game.count("bell"), 0);
}

TEST_F(Rules, BluetopThenBluebottomRestoresTheBoardButCountsTwoMoves) {
    const std::string before = board(game);
    const tintaro::Arm& top = arm("bluetop");
    game.rotateRing(top.ring, top.direction);
    // Clockwise: cell 1 takes the colour of cell 0, cell 0 that of cell 4.
    EXPECT_EQ(game.cells[1], before[0]);
    EXPECT_EQ(game.cells[0], before[4]);
    EXPECT_NE(board(game), before);
    const tintaro::Arm& bottom = arm("bluebottom");
    game.rotateRing(bottom.ring, bottom.direction);
    EXPECT_EQ(board(game), before);
    EXPECT_EQ(game.moves, 2);
    EXPECT_EQ(game.bonus, 500000 - 250);
}

// Where a ring's cell lies around the ring's centre, in degrees with screen y downwards:
// the angle grows clockwise on screen.
double screenAngle(int ring, int cell) {
    double cx = 0, cy = 0;
    for (int k = 0; k < kRingSize; ++k) {
        cx += tintaro::cellPositions[tintaro::ringCells[ring][k]].x / double(kRingSize);
        cy += tintaro::cellPositions[tintaro::ringCells[ring][k]].y / double(kRingSize);
    }
    const auto& p = tintaro::cellPositions[cell];
    return std::atan2(p.y - cy, p.x - cx) * 180.0 / M_PI;
}

TEST_F(Rules, EveryRotationMovesEachColourOnePlaceTheStatedWayOnScreen) {
    for (int ring = 0; ring < 3; ++ring) {
        for (int direction : {0, 1}) {
            // Thirty distinct markers show where each chip went.
            std::string markers;
            for (int i = 0; i < kCells; ++i) markers += static_cast<char>('a' + i);
            setBoard(game, markers);
            game.rotateRing(ring, direction);
            const std::string after = board(game);
            std::vector<bool> inRing(kCells, false);
            for (int k = 0; k < kRingSize; ++k) inRing[tintaro::ringCells[ring][k]] = true;
            for (int cell = 0; cell < kCells; ++cell) {
                const int from = after[cell] - 'a';
                if (!inRing[cell]) {
                    EXPECT_EQ(from, cell) << "a cell off ring " << ring << " changed";
                    continue;
                }
                ASSERT_TRUE(inRing[from]);
                double turn = screenAngle(ring, cell) - screenAngle(ring, from);
                if (turn > 180) turn -= 360;
                if (turn < -180) turn += 360;
                // One of twelve places is about 30 degrees; the rings are not perfect circles.
                if (direction == 0)
                    EXPECT_TRUE(turn > 10 && turn < 60)
                        << "ring " << ring << " clockwise, cell " << cell << ": " << turn;
                else
                    EXPECT_TRUE(turn < -10 && turn > -60)
                        << "ring " << ring << " counter-clockwise, cell " << cell << ": " << turn;
            }
        }
    }
}

TEST_F(Rules, ASharedCellCountsForBothOfItsRings) {
    // Magenta chips count only for the bottom ring; one green chip on the upper right ring.
    std::string cells(kCells, 'M');
    cells[8] = 'G';
    setBoard(game, cells);
    game.evaluateBoard(0);
    EXPECT_EQ(game.currentCount(0), 0);
    EXPECT_EQ(game.currentCount(1), 1);
    EXPECT_EQ(game.currentCount(2), 12);

    // Turning the upper right ring clockwise moves the green chip from cell 8 onto cell 5,
    // which the upper left ring shares: that ring's count rises, its own stays.
    game.rotateRing(1, 0);
    ASSERT_EQ(game.cells[5], 'G');
    game.evaluateBoard(0);
    EXPECT_EQ(game.currentCount(0), 1);
    EXPECT_EQ(game.currentCount(1), 1);

    // A red chip on cell 12 counts for both rings that share it.
    cells = std::string(kCells, 'C');
    cells[12] = 'R';
    setBoard(game, cells);
    game.evaluateBoard(0);
    EXPECT_EQ(game.currentCount(0), 12);
    EXPECT_EQ(game.currentCount(1), 1);
    EXPECT_EQ(game.currentCount(2), 1);
}

TEST_F(Rules, BestCountsAndTheScoreNeverFallWhenARingBreaksUp) {
    // The upper left ring all cyan, every other cell magenta.
    std::string cells(kCells, 'M');
    for (int k = 0; k < kRingSize; ++k) cells[tintaro::ringCells[0][k]] = 'C';
    setBoard(game, cells);
    game.evaluateBoard(1);
    EXPECT_EQ(game.bestCount(0), 12);
    EXPECT_EQ(game.bestCount(2), 10);
    const int earned = 100 * (12 + 0 + 10) + 100000;
    EXPECT_EQ(game.getScore(), earned);

    // Turning the upper right ring takes magenta onto both cells it shares with the upper
    // left one and cyan onto cell 12 of the bottom ring.
    game.rotateRing(1, 0);
    game.evaluateBoard(1);
    EXPECT_EQ(game.currentCount(0), 10);
    EXPECT_EQ(game.bestCount(0), 12);
    EXPECT_EQ(game.currentCount(2), 9);
    EXPECT_EQ(game.bestCount(2), 10);
    EXPECT_EQ(game.getScore(), earned) << "a ring that reached 12 keeps its 100000";
    EXPECT_NE(game.getState(), tintaro::kStateSolved);
    EXPECT_EQ(view.congratulations, 0);
}

// The solved board turned one click away; the solving click then finishes the game.
void playToSolved(CountingGame& game, int idlePairs) {
    setBoard(game, kSolvedBoard);
    game.rotateRing(0, 1);
    game.moves = 0;
    game.bonus = 500000;
    for (int i = 0; i < idlePairs; ++i) {
        game.rotateRing(2, 0);
        game.evaluateBoard(1);
        game.rotateRing(2, 1);
        game.evaluateBoard(1);
    }
    game.rotateRing(0, 0);
    game.evaluateBoard(1);
}

TEST_F(Rules, SolvingAfterNRotationsEarnsTheShrinkingBonus) {
    playToSolved(game, 3);
    EXPECT_EQ(board(game), kSolvedBoard);
    EXPECT_EQ(game.moves, 7);
    EXPECT_EQ(game.getState(), tintaro::kStateSolved);
    EXPECT_EQ(game.getScore(), solvedScore(7));
    EXPECT_EQ(view.congratulations, 1);
    for (int r = 0; r < 3; ++r) EXPECT_EQ(game.currentCount(r), 12);
}

TEST_F(Rules, SolvingAfterMoreThan4000RotationsEarnsANegativeBonus) {
    playToSolved(game, 2001);
    EXPECT_EQ(game.moves, 4003);
    EXPECT_EQ(game.bonus, -375);
    EXPECT_EQ(game.getState(), tintaro::kStateSolved);
    EXPECT_EQ(game.getScore(), solvedScore(4003));
    EXPECT_EQ(game.getScore(), 1303600 - 375);
}

TEST_F(Rules, TheBellRingsOnlyWhenAnEvaluationRaisesABest) {
    std::string cells(kCells, 'M');
    cells[8] = 'G';
    setBoard(game, cells);
    game.evaluateBoard(0);
    EXPECT_EQ(game.count("bell"), 0) << "evaluations without the bell stay silent";
    game.evaluateBoard(1);
    EXPECT_EQ(game.count("bell"), 0) << "nothing rose since the last evaluation";

    game.rotateRing(1, 0);  // green onto the shared cell 5: the upper left ring's best rises
    game.evaluateBoard(1);
    EXPECT_EQ(game.count("bell"), 1);
    game.rotateRing(1, 1);  // and off again: the count falls
    game.evaluateBoard(1);
    game.rotateRing(1, 0);  // back to the best it had: nothing new
    game.evaluateBoard(1);
    EXPECT_EQ(game.count("bell"), 1);
    EXPECT_EQ(game.effects.size(), 1u) << "the rules play no other sound";
}

TEST_F(Rules, RotationsOfUnknownRingsChangeNothing) {
    const std::string before = board(game);
    game.rotateRing(3, 0);
    game.rotateRing(-1, 1);
    EXPECT_EQ(board(game), before);
    EXPECT_EQ(game.moves, 0);
    EXPECT_EQ(game.bonus, 500000);
}

TEST_F(Rules, StepGoesThroughTheAttachedScreen) {
    EXPECT_EQ(game.step(), 5);
    EXPECT_EQ(view.steps, 1);
    game.view = nullptr;
    EXPECT_EQ(game.step(), 5);
    EXPECT_EQ(view.steps, 1);
}

TEST_F(Rules, ReleaseFreesTheTableAndTheLog) {
    game.recordMove(0, 1);
    game.release();
    EXPECT_EQ(game.moveLog, nullptr);
    EXPECT_EQ(game.highScores.entries, nullptr);
    game.newGame();  // a released game can start again
    ASSERT_NE(game.moveLog, nullptr);
    EXPECT_EQ(game.moveLog->size(), 0);
}

}  // namespace
