#include "games/tintaro/move_score.h"

#include <cstring>

#include "games/tintaro/wheel_game.h"

tintaro::ReplayedScore tintaro::scoreOfMoves(const MoveRecord* moves, std::size_t count) {
    char cells[kCells];
    std::memcpy(cells, startLayout, kCells);
    int best[kRings] = {};
    int bonus = kStartBonus;
    ReplayedScore result;
    Evaluation e = evaluate(cells, best, bonus);
    std::memcpy(best, e.best, sizeof best);
    for (std::size_t i = 0; i < count && !e.solved; ++i) {
        if (moves[i].ring < 0 || moves[i].ring >= kRings) continue;
        bonus -= kBonusPerMove;
        turnRing(cells, moves[i].ring, moves[i].direction);
        e = evaluate(cells, best, bonus);
        std::memcpy(best, e.best, sizeof best);
        if (e.solved) result.solvedAfter = i + 1;
    }
    result.score = e.score;
    return result;
}
