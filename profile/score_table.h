// The high-score table shared by the game and the menu: ranked rows of a player text and a
// score, saved as hiscore.dat (an int32 row count, then each row's 256 name bytes and its
// int32 score, little-endian; 5204 bytes for 20 rows).
#pragma once

#include <cstdint>

struct ScoreEntry {
    char name[256];
    std::int32_t score;
};

static_assert(sizeof(ScoreEntry) == 260, "a row is 260 bytes in memory and in the file");

class ScoreTable {
public:
    static constexpr int kRows = 20;
    static constexpr int kNameLength = 255;

    ScoreTable() { clear(); }
    ~ScoreTable() { free(); }
    ScoreTable(const ScoreTable&) = delete;
    ScoreTable& operator=(const ScoreTable&) = delete;

    // Forgets the block without freeing it (a fresh table).
    void clear();
    // Replaces the block with n zeroed rows.
    void resize(int n);
    void free();
    // Places the score before the first row with a lower one (after equal ones); the last
    // row falls off. Returns 1 if it entered, 0 if not. Names are cut to 255 characters.
    int insert(const char* name, int score);
    // The first row holding exactly this name text and score, or -1.
    int find(const char* name, int score) const;
    // Takes a row out; the rows below move up and an empty row fills the end.
    void removeRow(int row);
    // Row 0's score; 0 for an empty table.
    int topScore() const;
    // Reads a file whose row count equals this table's; anything else leaves the table as
    // it was. Returns 1 on success. Paths use the Windows spelling.
    int readFile(const char* path);
    // Replaces the file as a whole; a failed write leaves the old file. A file there that
    // this table cannot read is first kept beside it as PATH.bad (0 when that fails).
    // Returns 1 on success.
    int writeFile(const char* path) const;

    ScoreEntry* entries;
    std::int32_t count;
};
