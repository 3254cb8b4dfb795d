#include "games/tintaro/move_log.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "platform/storage/atomic_file.h"
#include "platform/storage/path.h"
#include "platform/storage/regular_file.h"

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
constexpr unsigned char kPlanTag[4] = {'H', 'I', 'N', 'T'};
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
    // Last, so that readers that know only the earlier blocks still find them.
    if (plan.present && plan.logSize == size() && !plan.clicks.empty() &&
        plan.clicks.size() <= static_cast<std::size_t>(kMaxPlanClicks)) {
        data.insert(data.end(), kPlanTag, kPlanTag + 4);
        putInt32(data, plan.logSize);
        putInt32(data, static_cast<std::int32_t>(plan.clicks.size()));
        for (const MoveRecord& click : plan.clicks) {
            putInt32(data, click.ring);
            putInt32(data, click.direction);
        }
    }
    return platform::writeFileAtomically(platform::resolvePath(fileName), data.data(), data.size());
}

std::vector<MoveRecord> MoveLog::readFile(const char* fileName, EnteredScore* entry,
                                          PendingRow* row, HintPlan* hint) {
    std::vector<MoveRecord> moves;
    if (entry != nullptr) *entry = EnteredScore{};
    if (row != nullptr) *row = PendingRow{};
    if (hint != nullptr) *hint = HintPlan{};
    if (fileName == nullptr) return moves;
    std::FILE* f = platform::openRegularFileStream(platform::resolvePath(fileName));
    if (f == nullptr) return moves;
    unsigned char buffer[8];
    std::int32_t n = 0;
    if (std::fread(buffer, 1, 4, f) == 4) {
        n = getInt32(buffer);
        for (std::int32_t k = 0; k < n; ++k) {
            if (std::fread(buffer, 1, 8, f) != 8) break;
            const MoveRecord move{getInt32(buffer), getInt32(buffer + 4)};
            if (move.ring < 0 || move.ring > 2) break;
            moves.push_back(move);
        }
    }
    // The optional blocks, only after a whole log; each is taken only when complete.
    const bool whole = n >= 0 && moves.size() == static_cast<std::size_t>(n);
    unsigned char tag[4];
    while (whole && std::fread(tag, 1, 4, f) == 4) {
        if (std::memcmp(tag, kEntryTag, 4) == 0) {
            unsigned char block[4 + kNameBytes];
            if (std::fread(block, 1, sizeof block, f) != sizeof block) break;
            if (entry == nullptr || n == 0) continue;
            entry->present = true;
            entry->score = getInt32(block);
            std::memcpy(entry->name, block + 4, kNameBytes);
            entry->name[kNameBytes - 1] = '\0';
        } else if (std::memcmp(tag, kPendingTag, 4) == 0) {
            unsigned char block[8 + kNameBytes];
            if (std::fread(block, 1, sizeof block, f) != sizeof block) break;
            if (row == nullptr || n == 0) continue;
            row->present = true;
            row->replaced.present = getInt32(block) != 0;
            row->replaced.score = getInt32(block + 4);
            std::memcpy(row->replaced.name, block + 8, kNameBytes);
            row->replaced.name[kNameBytes - 1] = '\0';
        } else if (std::memcmp(tag, kPlanTag, 4) == 0) {
            if (std::fread(buffer, 1, 8, f) != 8) break;
            HintPlan read{true, getInt32(buffer), {}};
            const std::int32_t count = getInt32(buffer + 4);
            if (count < 0 || count > kMaxPlanClicks) break;
            bool complete = true;
            for (std::int32_t k = 0; k < count && complete; ++k) {
                complete = std::fread(buffer, 1, 8, f) == 8;
                const MoveRecord click{getInt32(buffer), getInt32(buffer + 4)};
                complete = complete && click.ring >= 0 && click.ring <= 2;
                if (complete) read.clicks.push_back(click);
            }
            if (!complete) break;
            if (hint != nullptr) *hint = std::move(read);
        } else {
            break;
        }
    }
    std::fclose(f);
    return moves;
}
