// Tintaro's headless build with a check after every presented frame: the board keeps the
// colours it started with, and the score never falls within a game. Run by scripts/soak
// with the same options as Tintaro-headless; a broken rule aborts with a message.
#include <array>
#include <cstdio>
#include <cstdlib>

#include "games/tintaro/wheel_game.h"
#include "platform/backend.h"

namespace {

using ColourCounts = std::array<int, 256>;

ColourCounts countColours(const char* cells) {
    ColourCounts counts{};
    for (int i = 0; i < tintaro::kCells; ++i) ++counts[static_cast<unsigned char>(cells[i])];
    return counts;
}

struct Watch {
    bool started = false;
    long frames = 0;
    long checked = 0;
    long games = 0;
    int moves = 0;
    int score = 0;
    int bestScore = 0;
};

Watch watch;

[[noreturn]] void broken(const char* what) {
    std::fprintf(stderr, "soak: frame %ld: %s (moves %d, score %d, board %.*s)\n", watch.frames,
                 what, wheelGame.moves, wheelGame.getScore(), tintaro::kCells, wheelGame.cells);
    std::abort();
}

void checkFrame() {
    ++watch.frames;
    static const ColourCounts start = countColours(tintaro::startLayout);
    const bool sameColours = countColours(wheelGame.cells) == start;
    // Frames before the first game is laid out show an empty board.
    if (!watch.started) {
        if (!sameColours) return;
        watch.started = true;
        watch.games = 1;
    } else if (!sameColours) {
        broken("the board's colours changed");
    }
    const int score = wheelGame.getScore();
    if (wheelGame.moves < watch.moves) {
        // A new game starts again from no moves.
        ++watch.games;
    } else if (score < watch.score) {
        broken("the score fell");
    }
    watch.moves = wheelGame.moves;
    watch.score = score;
    if (score > watch.bestScore) watch.bestScore = score;
    ++watch.checked;
}

}  // namespace

int main(int argc, char** argv) {
    platform::setFrameObserverForTests(&checkFrame);
    const int status = platform::runProgram(argc, argv, &WinMain);
    platform::setFrameObserverForTests(nullptr);
    if (!watch.started) {
        std::fprintf(stderr, "soak: no game was laid out in %ld frames\n", watch.frames);
        return 2;
    }
    std::fprintf(stderr,
                 "soak: %ld frames, %ld checked, %ld games, highest score %d, last game %d moves\n",
                 watch.frames, watch.checked, watch.games, watch.bestScore, watch.moves);
    return status;
}
