// hiscore.moves: the moves of the hall-of-fame rows that this install's games made, kept
// beside hiscore.dat (whose layout stays as it is) so that an upload can carry them.
// Little-endian:
//   4 bytes  "HMOV"
//   int32    version, 1
//   int32    R, the number of rows
//   R rows:  int32 score, 256 bytes of entry text (as in hiscore.dat), int32 M, then M
//            bytes, one per move in the order played: 2 * ring + (direction != 0 ? 1 : 0),
//            so 0 ... 5
// A row is found by its entry text and score, as the table holds them. A reader keeps the
// rows up to the first incomplete one or one holding a byte above 5; another tag or
// version reads as no rows. A missing file means no moves are known.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "profile/score_table.h"

struct ScoreMovesRow {
    std::int32_t score = 0;
    char name[256] = {};
    // One code per move: 2 * ring + (direction != 0 ? 1 : 0).
    std::vector<std::uint8_t> moves;
};

class ScoreMoves {
public:
    static constexpr std::int32_t kVersion = 1;
    // The largest file read back, far above any game's moves.
    static constexpr std::size_t kMaxFileBytes = 64u << 20;

    static std::uint8_t moveCode(int ring, int direction) {
        return static_cast<std::uint8_t>(2 * ring + (direction != 0 ? 1 : 0));
    }

    // Replaces the rows with those of the file (Windows spelling); none when it is missing
    // or not of this layout. Returns 1 when the file was read.
    int readFile(const char* path);
    // Replaces the file as a whole; a failed write leaves the old file. 1 on success.
    int writeFile(const char* path) const;
    // The first row with exactly this entry text and score, or null.
    const ScoreMovesRow* find(const char* name, int score) const;
    // Drops the rows that `table` no longer holds, then puts `row` in place of any row with
    // its text and score.
    void keep(const ScoreTable& table, const ScoreMovesRow& row);

    std::vector<ScoreMovesRow> rows;
};
