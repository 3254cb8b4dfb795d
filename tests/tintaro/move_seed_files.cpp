// The move file reader on the fuzz corpus's hand-made files: records up to the first bad
// ring or missing record, never more than the count or the file, and replays that keep the
// board's colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "games/tintaro/move_log.h"
#include "games/tintaro/wheel_game.h"

namespace {

std::string seed(const char* name) {
    return std::string(STUDIO_SOURCE_DIR) + "/fuzz/corpus/moves/" + name;
}

}  // namespace

TEST(MoveSeedFiles, RecordsStopAtTheFirstBadOrMissingRecord) {
    EXPECT_EQ(MoveLog::readFile(seed("six.dat").c_str()).size(), 6u);
    EXPECT_EQ(MoveLog::readFile(seed("bad_ring.dat").c_str()).size(), 1u);
    EXPECT_EQ(MoveLog::readFile(seed("count_too_big.dat").c_str()).size(), 3u);
    EXPECT_TRUE(MoveLog::readFile(seed("negative_count.dat").c_str()).empty());
    EXPECT_EQ(MoveLog::readFile(seed("half_record.dat").c_str()).size(), 1u);
}

TEST(MoveSeedFiles, ReplayKeepsEveryColourCount) {
    WheelGame game;
    std::string before(game.cells, tintaro::kCells);
    std::sort(before.begin(), before.end());
    const auto moves = MoveLog::readFile(seed("six.dat").c_str());
    ASSERT_EQ(moves.size(), 6u);
    for (const MoveRecord& m : moves) {
        game.rotateRing(m.ring, m.direction);
        game.evaluateBoard(0);
    }
    std::string after(game.cells, tintaro::kCells);
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);
    EXPECT_EQ(game.moves, 6);
}
