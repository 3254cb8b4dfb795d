#include "games/tintaro/move_log.h"

#include <cstdio>
#include <cstring>

#include "platform/atomic_file.h"
#include "platform/path.h"
#include "platform/regular_file.h"

namespace {

void putInt32(std::vector<unsigned char>& out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(u >> (8 * i)));
}

std::int32_t getInt32(const unsigned char* in) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(in[i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}

constexpr unsigned char kEntryTag[4] = {'H', 'O', 'F', 'E'};
constexpr unsigned char kPendingTag[4] = {'H', 'O', 'F', 'P'};
constexpr std::size_t kNameBytes = sizeof(EnteredScore{}.name);

}  // namespace

void MoveLog::append(int ring, int direction) {
    records.add(new MoveRecord{ring, direction});
}

bool MoveLog::save(const char* fileName) const {
    if (fileName == nullptr) return false;
    std::vector<unsigned char> data;
    data.reserve(4 + 8 * static_cast<std::size_t>(size()));
    putInt32(data, size());
    for (int i = 0; i < size(); ++i) {
        putInt32(data, at(i)->ring);
        putInt32(data, at(i)->direction);
    }
    if (entered.present) {
        data.insert(data.end(), kEntryTag, kEntryTag + 4);
        putInt32(data, entered.score);
        data.insert(data.end(), entered.name, entered.name + kNameBytes);
        if (pending.present) {
            data.insert(data.end(), kPendingTag, kPendingTag + 4);
            putInt32(data, pending.replaced.present ? 1 : 0);
            putInt32(data, pending.replaced.score);
            data.insert(data.end(), pending.replaced.name, pending.replaced.name + kNameBytes);
        }
    }
    return platform::writeFileAtomically(platform::resolvePath(fileName), data.data(), data.size());
}

std::vector<MoveRecord> MoveLog::readFile(const char* fileName, EnteredScore* entry,
                                          PendingRow* row) {
    std::vector<MoveRecord> moves;
    if (entry != nullptr) *entry = EnteredScore{};
    if (row != nullptr) *row = PendingRow{};
    if (fileName == nullptr) return moves;
    std::FILE* f = platform::openRegularFileStream(platform::resolvePath(fileName));
    if (f == nullptr) return moves;
    unsigned char buffer[8];
    if (std::fread(buffer, 1, 4, f) == 4) {
        const std::int32_t n = getInt32(buffer);
        for (std::int32_t k = 0; k < n; ++k) {
            if (std::fread(buffer, 1, 8, f) != 8) break;
            const MoveRecord move{getInt32(buffer), getInt32(buffer + 4)};
            if (move.ring < 0 || move.ring > 2) break;
            moves.push_back(move);
        }
        unsigned char tail[8 + kNameBytes];
        if (entry != nullptr && n > 0 && moves.size() == static_cast<std::size_t>(n) &&
            std::fread(tail, 1, sizeof tail, f) == sizeof tail &&
            std::memcmp(tail, kEntryTag, 4) == 0) {
            entry->present = true;
            entry->score = getInt32(tail + 4);
            std::memcpy(entry->name, tail + 8, kNameBytes);
            entry->name[kNameBytes - 1] = '\0';
            unsigned char more[12 + kNameBytes];
            if (row != nullptr && std::fread(more, 1, sizeof more, f) == sizeof more &&
                std::memcmp(more, kPendingTag, 4) == 0) {
                row->present = true;
                row->replaced.present = getInt32(more + 4) != 0;
                row->replaced.score = getInt32(more + 8);
                std::memcpy(row->replaced.name, more + 12, kNameBytes);
                row->replaced.name[kNameBytes - 1] = '\0';
            }
        }
    }
    std::fclose(f);
    return moves;
}
