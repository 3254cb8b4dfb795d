// Where accepted scores are kept: one table per game, ranked by score.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace scoreserver {

// A database that cannot be opened, read or written.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct NewScore {
    std::string game;
    std::string name;  // the public name, UTF-8
    std::int32_t score = 0;
    bool verified = false;
    std::string moves;    // the move digits of a verified score, else empty
    std::string address;  // kept apart, and only when not empty
    std::string email;
    std::int64_t submittedAt = 0;  // seconds since 1970
};

struct TableRow {
    std::int64_t rank = 0;  // 1 for the best; equal scores share a rank
    std::string name;
    std::int32_t score = 0;
    std::int64_t submittedAt = 0;
    bool verified = false;
};

// A game that has scores, and how many.
struct GameSummary {
    std::string name;
    std::int64_t scores = 0;
};

enum class AddOutcome { Added, Duplicate };

class ScoreStore {
public:
    virtual ~ScoreStore() = default;
    // Keeps the score. The same verified moves for a game, or the same unverified name and
    // score, make one row: a second upload is a Duplicate and changes nothing.
    virtual AddOutcome add(const NewScore& score) = 0;
    // Up to `limit` rows of a game's table from the 0-based position `offset`, best first.
    virtual std::vector<TableRow> page(std::string_view game, std::int64_t offset, int limit) = 0;
    // How many rows a game's table holds.
    virtual std::int64_t count(std::string_view game) = 0;
    // The rank a score has in a game's table: 1 + how many rows score more.
    virtual std::int64_t rankOf(std::string_view game, std::int32_t score) = 0;
    // The games that have a row, by name.
    virtual std::vector<std::string> games() = 0;
    // How many rows of contact details are kept, over all games.
    virtual std::int64_t contactCount() = 0;
    // A number that changes whenever a table changes, by this program or any other, so that
    // an answer made from the tables can be kept until then. Nothing when the store cannot
    // tell, and such answers are made anew every time.
    virtual std::optional<std::uint64_t> version() { return std::nullopt; }
};

}  // namespace scoreserver
