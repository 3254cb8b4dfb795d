// The rotations of the current game, in order, and their file moves.dat: an int32 count N,
// then N records of int32 ring and int32 direction, little-endian. When the game has made
// a hall-of-fame row, the file goes on with the tag "HOFE", the row's int32 score and its
// 256 name bytes, so that the resumed game updates that row instead of adding another.
// Readers that know only the moves stop after the N records.
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
    }
    // Frees the records and the log itself.
    void destroy() { delete this; }

    // Replaces the file with the log; false (the old file kept) when the write fails.
    bool save(const char* fileName) const;
    // The moves a file holds, up to the first record that is missing or names no ring
    // 0 ... 2; an unreadable file or a count of 0 or less gives none. With `entry`, also
    // the game's hall-of-fame row when the file holds all its moves and the row after them.
    static std::vector<MoveRecord> readFile(const char* fileName, EnteredScore* entry = nullptr);

    // The hall-of-fame row this game has made, saved with the moves.
    EnteredScore entered;

private:
    PtrArray records;
};
