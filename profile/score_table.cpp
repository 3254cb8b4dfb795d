#include "profile/score_table.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/storage/atomic_file.h"
#include "platform/storage/path.h"
#include "platform/storage/regular_file.h"
#include "platform/storage/user_data.h"

namespace {

void putInt32(unsigned char* out, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(u >> (8 * i));
}

std::int32_t getInt32(const unsigned char* in) {
    std::uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<std::uint32_t>(in[i]) << (8 * i);
    return static_cast<std::int32_t>(u);
}

constexpr std::size_t kRowBytes = 260;

}  // namespace

void ScoreTable::clear() {
    entries = nullptr;
    count = 0;
}

void ScoreTable::resize(int n) {
    free();
    if (n < 0) n = 0;
    entries = n > 0 ? new ScoreEntry[static_cast<std::size_t>(n)]() : nullptr;
    count = n;
}

void ScoreTable::free() {
    delete[] entries;
    entries = nullptr;
}

int ScoreTable::insert(const char* name, int score) {
    if (entries == nullptr || count <= 0) return 0;
    int j = 0;
    while (j < count && score <= entries[j].score) ++j;
    if (j == count) return 0;
    for (int k = count - 1; k > j; --k) {
        // Copied as text up to its terminator, as the rows have always been moved.
        std::strcpy(entries[k].name, entries[k - 1].name);
        entries[k].score = entries[k - 1].score;
    }
    const char* text = name ? name : "";
    const std::size_t n = strnlen(text, kNameLength);
    std::memcpy(entries[j].name, text, n);
    entries[j].name[n] = '\0';
    entries[j].score = score;
    return 1;
}

int ScoreTable::find(const char* name, int score) const {
    if (entries == nullptr || name == nullptr) return -1;
    for (int i = 0; i < count; ++i)
        if (entries[i].score == score && std::strncmp(entries[i].name, name, kNameLength) == 0)
            return i;
    return -1;
}

void ScoreTable::removeRow(int row) {
    if (entries == nullptr || row < 0 || row >= count) return;
    for (int k = row; k < count - 1; ++k) entries[k] = entries[k + 1];
    entries[count - 1] = ScoreEntry{};
}

int ScoreTable::topScore() const {
    return entries != nullptr && count > 0 ? entries[0].score : 0;
}

int ScoreTable::readFile(const char* path) {
    if (path == nullptr || entries == nullptr) return 0;
    std::FILE* f = platform::openRegularFileStream(platform::resolvePath(path));
    if (f == nullptr) return 0;
    unsigned char head[4];
    bool ok = std::fread(head, 1, 4, f) == 4 && getInt32(head) == count;
    std::vector<unsigned char> rows;
    if (ok) {
        rows.resize(kRowBytes * static_cast<std::size_t>(count));
        ok = std::fread(rows.data(), 1, rows.size(), f) == rows.size();
    }
    std::fclose(f);
    // A short file is refused whole rather than leaving half a table.
    if (!ok) return 0;
    for (int i = 0; i < count; ++i) {
        const unsigned char* row = rows.data() + kRowBytes * static_cast<std::size_t>(i);
        std::memcpy(entries[i].name, row, sizeof(entries[i].name));
        // Every name stays a terminated text, whatever the file held.
        entries[i].name[kNameLength] = '\0';
        entries[i].score = getInt32(row + 256);
    }
    return 1;
}

namespace {

// A file at `target` that a table of `rows` rows cannot read is kept as target.bad
// (replacing an older one) before it is replaced; false when it could not be kept.
bool keepUnreadable(const std::string& file, int rows) {
    // A file of an installed tree is never replaced (the user's copy is written instead).
    const std::string target = platform::readablePath(file);
    if (target != platform::writablePath(file)) return true;
    struct stat st {};
    if (::lstat(target.c_str(), &st) != 0) return true;  // nothing there to lose
    std::FILE* f = platform::openRegularFileStream(target);
    if (f != nullptr) {
        unsigned char head[4];
        const bool readable = std::fread(head, 1, 4, f) == 4 && getInt32(head) == rows &&
                              st.st_size >= 0 &&
                              static_cast<unsigned long long>(st.st_size) >=
                                  4 + kRowBytes * static_cast<std::size_t>(rows);
        std::fclose(f);
        if (readable) return true;
    }
    return std::rename(target.c_str(), (target + ".bad").c_str()) == 0;
}

}  // namespace

int ScoreTable::writeFile(const char* path) const {
    if (path == nullptr || count < 0 || (count > 0 && entries == nullptr)) return 0;
    const std::string target = platform::resolvePath(path);
    // Rows the player had are never lost to a table that could not read them.
    if (!keepUnreadable(target, count)) return 0;
    std::vector<unsigned char> data(4 + kRowBytes * static_cast<std::size_t>(count));
    putInt32(data.data(), count);
    for (int i = 0; i < count; ++i) {
        unsigned char* row = data.data() + 4 + kRowBytes * static_cast<std::size_t>(i);
        std::memcpy(row, entries[i].name, sizeof(entries[i].name));
        putInt32(row + 256, entries[i].score);
    }
    return platform::writeFileAtomically(target, data.data(), data.size()) ? 1 : 0;
}
