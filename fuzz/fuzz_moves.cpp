// libFuzzer target for the saved moves: each input is read as moves.dat and replayed on a
// fresh board, evaluating after each move as a resumed game does. Turning rings only moves
// chips, so the board must hold the same colours, as many of each, after every move. The
// blocks after the moves are read too: a hint's plan never holds more than the file or the
// limit allows, nor a ring outside 0 ... 2.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "games/tintaro/move_log.h"
#include "games/tintaro/wheel_game.h"

namespace {

std::array<int, 256> colourCounts(const char* cells) {
    std::array<int, 256> counts{};
    for (int i = 0; i < tintaro::kCells; ++i) ++counts[static_cast<unsigned char>(cells[i])];
    return counts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzing::inputPath("fuzz_moves", ".dat");
    if (!fuzzing::writeInput(path, data, size)) return 0;

    EnteredScore entry;
    PendingRow row;
    HintPlan plan;
    const std::vector<MoveRecord> moves = MoveLog::readFile(path.c_str(), &entry, &row, &plan);
    if (plan.clicks.size() > static_cast<std::size_t>(MoveLog::kMaxPlanClicks) ||
        (moves.size() + plan.clicks.size()) * 8 + 4 > std::max<std::size_t>(size, 4))
        std::abort();
    for (const MoveRecord& m : plan.clicks)
        if (m.ring < 0 || m.ring > 2) std::abort();
    // Never more records than the file holds, and each one names a ring.
    if (moves.size() * 8 + 4 > std::max<std::size_t>(size, 4)) std::abort();
    for (const MoveRecord& m : moves)
        if (m.ring < 0 || m.ring > 2) std::abort();

    WheelGame game;
    const std::array<int, 256> before = colourCounts(game.cells);
    for (const MoveRecord& m : moves) {
        game.rotateRing(m.ring, m.direction);
        game.recordMove(m.ring, m.direction);
        game.evaluateBoard(0);
        if (colourCounts(game.cells) != before) std::abort();
        for (int r = 0; r < tintaro::kRings; ++r)
            if (game.currentCount(r) > game.bestCount(r) || game.bestCount(r) > 12) std::abort();
    }
    if (game.moves != static_cast<std::int32_t>(moves.size())) std::abort();
    if (game.moveLog != nullptr && game.moveLog->size() != static_cast<int>(moves.size()))
        std::abort();
    return 0;
}
