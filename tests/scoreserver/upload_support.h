// Shared pieces of the score server's tests: queries built as the menu builds them, and
// Tintaro games played through the game's own rules.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "games/tintaro/wheel_solver.h"
#include "scoreserver/upload_query.h"
#include "tests/tintaro/game_fixture.h"

namespace servertest {

// Every byte outside A-Z a-z 0-9 - . _ ~ as %XX.
inline std::string encode(const std::string& text) { return scoreserver::percentEncode(text); }

inline std::string masked(std::int32_t score) {
    return std::to_string(score ^ 0x3C3C3C3);
}

inline std::string query(const std::string& game, const std::string& entry, std::int32_t score,
                         const std::string& moves = "") {
    std::string q = "game=" + encode(game) + "&name=" + encode(entry) + "&score=" + masked(score);
    if (!moves.empty()) q += "&moves=" + moves;
    return q;
}

struct PlayedGame {
    std::string moves;  // one digit per move, as the menu sends them
    std::int32_t score = 0;
};

// Plays the clicks through the game's rules as its screen does (turn, then evaluate) and
// returns their digits with the score the game shows.
inline PlayedGame play(const std::vector<tintaro::Click>& clicks) {
    tintarotest::GameFolder folder;
    tintarotest::CountingGame game;
    game.newGame();
    game.setState(tintaro::kStatePlaying);
    PlayedGame played;
    for (const tintaro::Click& c : clicks) {
        game.rotateRing(c.ring, c.direction);
        game.evaluateBoard(1);
        played.moves += static_cast<char>('0' + 2 * c.ring + (c.direction != 0));
    }
    played.score = game.getScore();
    return played;
}

// A solved game: the solver's clicks from the start layout.
inline PlayedGame solvedGame() {
    const tintaro::WheelSolver solver;
    return play(solver.solve(tintaro::startLayout));
}

// An unsolved game of a few clicks that earns something.
inline PlayedGame shortGame() {
    return play({{0, 0}, {1, 1}, {2, 0}, {2, 0}, {0, 1}, {1, 0}, {1, 0}});
}

}  // namespace servertest
