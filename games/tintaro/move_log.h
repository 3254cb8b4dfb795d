// The rotations of the current game, in order, and their file moves.dat: an int32 count N,
// then N records of int32 ring and int32 direction, little-endian. When the game has made
// a hall-of-fame row, the file goes on with the tag "HOFE", the row's int32 score and its
// 256 name bytes, so that the resumed game updates that row instead of adding another.
// While that row is being put into the table, the file also holds the tag "HOFP", an int32
// 1 or 0 and the row it replaces (int32 score, 256 name bytes): a start after a crash between
// the two files then sees which of the two rows the table holds. Last comes the hint's plan
// while there is one: the tag "HINT", the int32 log size its clicks start from, an int32
// count and that many records. Readers that know only the moves stop after the N records;
// those that know only "HOFE" stop after it, those that know "HOFP" too before "HINT".
#pragma once

#include <cstdint>
#include <vector>

#include "framework/ptr_array.h"

struct MoveRecord {
    std::int32_t ring;       // 0, 1 or 2
    std::int32_t direction;  // 0 clockwise, anything else counter-clockwise
};

// The hall-of-fame row a game made: its player text and score.
struct EnteredScore {
    bool present = false;
    std::int32_t score = 0;
    char name[256] = {};
};

// A row on its way into the table: the row it replaces there (none when not present).
struct PendingRow {
    bool present = false;
    EnteredScore replaced;
};

// The clicks the hint plans to solve the board with, still to be made, and the size of the
// log they start from: a plan that does not start from the log's size is out of date.
struct HintPlan {
    bool present = false;
    std::int32_t logSize = 0;
    std::vector<MoveRecord> clicks;
};

class MoveLog {
public:
    // The longest plan a game keeps or reads back: above any the solver makes (at most 400
    // steps of at most 36 clicks).
    static constexpr std::int32_t kMaxPlanClicks = 16384;

    MoveLog() : records(1) {}
    ~MoveLog() { clear(); }
    MoveLog(const MoveLog&) = delete;
    MoveLog& operator=(const MoveLog&) = delete;

    void append(int ring, int direction);
    int size() const { return records.getCount(); }
    int capacity() const { return records.getCapacity(); }
    MoveRecord* at(int i) const { return records.at<MoveRecord>(i); }
    // Frees the records and empties the log; the game's hall-of-fame row and the hint's
    // plan are forgotten.
    void clear() {
        records.deleteAll<MoveRecord>();
        entered = EnteredScore{};
        pending = PendingRow{};
        plan = HintPlan{};
    }
    // Frees the records and the log itself.
    void destroy() { delete this; }

    // Replaces the file with the log; false (the old file kept) when the write fails.
    bool save(const char* fileName) const;
    // The moves a file holds, up to the first record that is missing or names no ring
    // 0 ... 2; an unreadable file or a count of 0 or less gives none. When the file holds
    // all its moves, the tagged blocks after them are read in any order up to the first
    // unknown or incomplete one: with `entry` the game's hall-of-fame row (only after at
    // least one move), with `row` whether that row was still on its way into the table, and
    // with `hint` the hint's plan (refused when longer than kMaxPlanClicks or naming a ring
    // outside 0 ... 2).
    static std::vector<MoveRecord> readFile(const char* fileName, EnteredScore* entry = nullptr,
                                            PendingRow* row = nullptr, HintPlan* hint = nullptr);

    // The hall-of-fame row this game has made, saved with the moves.
    EnteredScore entered;
    // Set while `entered` is being written into the table in place of an earlier row.
    PendingRow pending;
    // The hint's plan, saved with the moves while it starts from the log's size.
    HintPlan plan;

private:
    PtrArray records;
};
