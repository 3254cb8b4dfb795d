#include "profile/score_moves.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <utility>

#include "platform/storage/atomic_file.h"
#include "platform/storage/path.h"
#include "platform/storage/regular_file.h"

namespace {

constexpr char kTag[4] = {'H', 'M', 'O', 'V'};
constexpr std::size_t kNameBytes = 256;
constexpr std::uint8_t kLastCode = 5;

void putInt32(std::vector<unsigned char>& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(u >> (8 * i)));
}

// Reads an int32 at `at`, moving past it; false when fewer than four bytes are left.
bool getInt32(const std::vector<unsigned char>& in, std::size_t& at, std::int32_t& value) {
    if (in.size() - at < 4) return false;
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(in[at + i]) << (8 * i);
    at += 4;
    value = static_cast<std::int32_t>(u);
    return true;
}

bool sameRow(const ScoreMovesRow& row, const char* name, int score) {
    return row.score == score && std::strncmp(row.name, name, kNameBytes) == 0;
}

}  // namespace

int ScoreMoves::readFile(const char* path) {
    rows.clear();
    if (path == nullptr) return 0;
    std::vector<unsigned char> data;
    if (!platform::readRegularFile(platform::resolvePath(path), data, kMaxFileBytes)) return 0;
    std::size_t at = 0;
    std::int32_t version = 0;
    std::int32_t count = 0;
    if (data.size() < sizeof kTag || std::memcmp(data.data(), kTag, sizeof kTag) != 0) return 0;
    at = sizeof kTag;
    if (!getInt32(data, at, version) || version != kVersion || !getInt32(data, at, count)) return 0;
    for (std::int32_t i = 0; i < count; ++i) {
        ScoreMovesRow row;
        std::int32_t moves = 0;
        if (!getInt32(data, at, row.score) || data.size() - at < kNameBytes) break;
        std::memcpy(row.name, data.data() + at, kNameBytes);
        // The text stays terminated whatever the file held, as the table's rows do.
        row.name[kNameBytes - 1] = '\0';
        at += kNameBytes;
        if (!getInt32(data, at, moves) || moves < 0 ||
            data.size() - at < static_cast<std::size_t>(moves))
            break;
        row.moves.assign(data.begin() + static_cast<std::ptrdiff_t>(at),
                         data.begin() + static_cast<std::ptrdiff_t>(at) + moves);
        at += static_cast<std::size_t>(moves);
        if (std::any_of(row.moves.begin(), row.moves.end(),
                        [](std::uint8_t code) { return code > kLastCode; }))
            break;
        rows.push_back(std::move(row));
    }
    return 1;
}

int ScoreMoves::writeFile(const char* path) const {
    if (path == nullptr) return 0;
    std::vector<unsigned char> data(kTag, kTag + sizeof kTag);
    putInt32(data, kVersion);
    putInt32(data, static_cast<std::int32_t>(rows.size()));
    for (const ScoreMovesRow& row : rows) {
        putInt32(data, row.score);
        data.insert(data.end(), row.name, row.name + kNameBytes);
        putInt32(data, static_cast<std::int32_t>(row.moves.size()));
        data.insert(data.end(), row.moves.begin(), row.moves.end());
    }
    return platform::writeFileAtomically(platform::resolvePath(path), data.data(), data.size()) ? 1
                                                                                                : 0;
}

const ScoreMovesRow* ScoreMoves::find(const char* name, int score) const {
    if (name == nullptr) return nullptr;
    for (const ScoreMovesRow& row : rows)
        if (sameRow(row, name, score)) return &row;
    return nullptr;
}

void ScoreMoves::keep(const ScoreTable& table, const ScoreMovesRow& row) {
    std::erase_if(rows, [&](const ScoreMovesRow& r) {
        return table.find(r.name, r.score) < 0 || sameRow(r, row.name, row.score);
    });
    rows.push_back(row);
}
