// libFuzzer target for the high-score file: each input is read as hiscore.dat, then a score
// is entered and the table written and read back. The table must stay ranked when it was
// ranked, names must stay terminated, and a written table must read back equal.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "profile/score_table.h"

namespace {

void checkNames(const ScoreTable& t) {
    for (int i = 0; i < t.count; ++i)
        if (std::memchr(t.entries[i].name, '\0', sizeof t.entries[i].name) == nullptr) std::abort();
}

bool ranked(const ScoreTable& t) {
    for (int i = 1; i < t.count; ++i)
        if (t.entries[i - 1].score < t.entries[i].score) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = fuzzing::inputPath("fuzz_scores", ".dat");
    static const std::string outPath = fuzzing::inputPath("fuzz_scores_out", ".dat");
    if (!fuzzing::writeInput(path, data, size)) return 0;

    ScoreTable table;
    table.resize(ScoreTable::kRows);
    if (table.readFile(path.c_str()) == 0) {
        // A refused file leaves the zeroed table.
        for (int i = 0; i < table.count; ++i)
            if (table.entries[i].score != 0 || table.entries[i].name[0] != '\0') std::abort();
    }
    checkNames(table);
    const bool wasRanked = ranked(table);

    // A score from the input's last bytes, under a name longer than a row holds.
    std::int32_t score = 0;
    if (size >= 4) std::memcpy(&score, data + size - 4, 4);
    const std::string name(300, 'n');
    const int low = table.count > 0 ? table.entries[table.count - 1].score : 0;
    const int entered = table.insert(name.c_str(), score);
    if (entered != 0 && entered != 1) std::abort();
    if (wasRanked && entered == 0 && score > low) std::abort();
    if (wasRanked && !ranked(table)) std::abort();
    checkNames(table);
    if (table.count > 0 && table.topScore() != table.entries[0].score) std::abort();

    if (table.writeFile(outPath.c_str()) != 1) return 0;
    ScoreTable again;
    again.resize(ScoreTable::kRows);
    if (again.readFile(outPath.c_str()) != 1) std::abort();
    for (int i = 0; i < table.count; ++i)
        if (again.entries[i].score != table.entries[i].score ||
            std::strcmp(again.entries[i].name, table.entries[i].name) != 0)
            std::abort();
    return 0;
}
