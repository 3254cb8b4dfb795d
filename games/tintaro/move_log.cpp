#include "games/tintaro/move_log.h"

#include <cstdio>

#include "platform/atomic_file.h"
#include "platform/path.h"

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
    return platform::writeFileAtomically(platform::resolvePath(fileName), data.data(), data.size());
}

std::vector<MoveRecord> MoveLog::readFile(const char* fileName) {
    std::vector<MoveRecord> moves;
    if (fileName == nullptr) return moves;
    std::FILE* f = std::fopen(platform::resolvePath(fileName).c_str(), "rb");
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
    }
    std::fclose(f);
    return moves;
}
