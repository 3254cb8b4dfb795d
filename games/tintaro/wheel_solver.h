// Finds arm clicks that solve a Tintaro board, on the rules alone (no screen, no files).
// The moves it plans with are ring turns and commutators of two rings (A^a B^b A^-a B^-b,
// which move only a few chips), also conjugated by a turn of a third ring; from a board it
// greedily applies the move that leaves the fewest chips on cells that do not accept them,
// with random sideways moves and restarts when no move improves.
#pragma once

#include <cstdint>
#include <vector>

#include "games/tintaro/wheel_game.h"

namespace tintaro {

// One arm click: a ring and a direction, as WheelGame::rotateRing takes them.
struct Click {
    int ring;
    int direction;
    bool operator==(const Click&) const = default;
};

// The same turns with each run of clicks of one ring replaced by the fewest clicks that turn
// it as far (twelve equal clicks are none): no click is ever followed by its inverse.
std::vector<Click> reduceClicks(const std::vector<Click>& clicks);

class WheelSolver {
public:
    // Builds the move tables (a few milliseconds); one solver serves any number of boards.
    WheelSolver();

    // The clicks that take `cells` (kCells colour letters) to a solved board, reduced; empty
    // when it is solved already or no solution was found. With more attempts, the shortest of
    // that many searches is returned.
    std::vector<Click> solve(const char* cells, int attempts = 1) const;

    // True when every cell holds a colour that each ring through it accepts.
    static bool solved(const char* cells);

private:
    struct Move {
        std::uint8_t from[kCells];        // after the move, cell i holds what cell from[i] held
        std::vector<std::uint8_t> moved;  // the cells whose chip changes
        std::vector<Click> clicks;
    };

    std::vector<Click> search(const char* cells, std::uint32_t seed) const;
    void addMove(const std::vector<Click>& clicks);

    std::vector<Move> moves_;
};

}  // namespace tintaro
