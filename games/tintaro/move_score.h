// The score a list of moves earns from the start layout, as the game itself would give it:
// no game object, files or sounds, so a server can check an uploaded score with it.
#pragma once

#include <cstddef>

#include "games/tintaro/move_log.h"

namespace tintaro {

struct ReplayedScore {
    int score = 0;
    // Moves made up to and including the one that solved the board; 0 when never solved.
    std::size_t solvedAfter = 0;
};

// Replays the moves from the start layout, evaluating before the first move and after each
// one as the game does, and stops evaluating once the board is solved (the game's arms are
// gone then). Moves naming no ring 0 ... 2 do nothing, as in WheelGame::rotateRing.
ReplayedScore scoreOfMoves(const MoveRecord* moves, std::size_t count);

}  // namespace tintaro
