// libFuzzer target for hiscore.moves, which the menu reads to send a score's moves: each
// input is read as the file. Every row kept must hold only move codes 0 to 5 and a
// terminated entry text, and the rows written out must read back equal; keeping a row for a
// table then drops every row the table does not hold.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "profile/score_moves.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzing::inputPath("fuzz_score_moves", ".moves");
    static const std::string outPath = fuzzing::inputPath("fuzz_score_moves_out", ".moves");
    if (!fuzzing::writeInput(path, data, size)) return 0;

    ScoreMoves file;
    if (file.readFile(path.c_str()) == 0 && !file.rows.empty()) std::abort();
    for (const ScoreMovesRow& row : file.rows) {
        if (std::memchr(row.name, '\0', sizeof row.name) == nullptr) std::abort();
        for (const std::uint8_t code : row.moves)
            if (code > 5) std::abort();
        if (file.find(row.name, row.score) == nullptr) std::abort();
    }

    if (file.writeFile(outPath.c_str()) == 1) {
        ScoreMoves again;
        if (again.readFile(outPath.c_str()) != 1 || again.rows.size() != file.rows.size())
            std::abort();
        for (std::size_t i = 0; i < file.rows.size(); ++i)
            if (again.rows[i].score != file.rows[i].score ||
                std::strcmp(again.rows[i].name, file.rows[i].name) != 0 ||
                again.rows[i].moves != file.rows[i].moves)
                std::abort();
    }

    // A table holding only the first row's entry: keeping a new row leaves that one (if any)
    // and the new one.
    ScoreTable table;
    table.resize(ScoreTable::kRows);
    ScoreMovesRow fresh;
    fresh.score = 12345;
    std::strcpy(fresh.name, "fuzz");
    fresh.moves = {1, 2};
    if (!file.rows.empty()) table.insert(file.rows[0].name, file.rows[0].score);
    table.insert(fresh.name, fresh.score);
    file.keep(table, fresh);
    for (const ScoreMovesRow& row : file.rows) {
        bool held = false;
        for (int i = 0; i < table.count; ++i)
            held = held || (table.entries[i].score == row.score &&
                            std::strcmp(table.entries[i].name, row.name) == 0);
        if (!held) std::abort();
    }
    const ScoreMovesRow* kept = file.find(fresh.name, fresh.score);
    if (kept == nullptr || kept->moves != fresh.moves) std::abort();
    return 0;
}
