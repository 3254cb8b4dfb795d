// The rotations of the current game, in order, and their file moves.dat: an int32 count N,
// then N records of int32 ring and int32 direction, little-endian. When the game has made
// a hall-of-fame row, the file goes on with the tag "HOFE", the row's int32 score and its
// 256 name bytes, so that the resumed game updates that row instead of adding another.
// While that row is being put into the table, the file also holds the tag "HOFP", an int32
// 1 or 0 and the row it replaces (int32 score, 256 name bytes): a start after a crash between
// the two files then sees which of the two rows the table holds. Readers that know only the
// moves stop after the N records; those that know only "HOFE" stop after it.
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

class MoveLog {
public:
    MoveLog() : records(1) {}
    ~MoveLog() { clear(); }
    MoveLog(const MoveLog&) = delete;
    MoveLog& operator=(const MoveLog&) = delete;

    void append(int ring, int direction);
    int size() const { return records.getCount(); }
    int capacity() const { return records.getCapacity(); }
    MoveRecord* at(int i) const { return records.at<MoveRecord>(i); }
    // Frees the records and empties the log; the game's hall-of-fame row is forgotten.
    void clear() {
        records.deleteAll<MoveRecord>();
        entered = EnteredScore{};
        pending = PendingRow{};
    }
    // Frees the records and the log itself.
    void destroy() { delete this; }

    // Replaces the file with the log; false (the old file kept) when the write fails.
    bool save(const char* fileName) const;
    // The moves a file holds, up to the first record that is missing or names no ring
    // 0 ... 2; an unreadable file or a count of 0 or less gives none. With `entry`, also
    // the game's hall-of-fame row when the file holds all its moves and the row after them,
    // and with `row` whether that row was still on its way into the table.
    static std::vector<MoveRecord> readFile(const char* fileName, EnteredScore* entry = nullptr,
                                            PendingRow* row = nullptr);

    // The hall-of-fame row this game has made, saved with the moves.
    EnteredScore entered;
    // Set while `entered` is being written into the table in place of an earlier row.
    PendingRow pending;

private:
    PtrArray records;
};
