// The score tables in a PostgreSQL database, on libpq: the same tables and meaning as the
// SQLite store, every value a bound parameter of a prepared statement, each add one
// transaction committed with the server's default (durable) synchronous_commit. A small pool
// of connections serves the server's threads side by side; a connection that broke (the
// database restarted) is made again on its next use.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "scoreserver/score_store.h"

namespace scoreserver {

class PostgresScoreStore : public ScoreStore {
public:
    // The most connections a store opens by default: one per request served at once.
    static constexpr std::size_t kDefaultConnections = 4;

    // Connects to the database at the libpq address (postgresql://... or key=value text) and
    // creates the tables when missing; throws StoreError when it cannot.
    explicit PostgresScoreStore(const std::string& address,
                                std::size_t connections = kDefaultConnections);
    ~PostgresScoreStore() override;
    PostgresScoreStore(const PostgresScoreStore&) = delete;
    PostgresScoreStore& operator=(const PostgresScoreStore&) = delete;

    AddOutcome add(const NewScore& score) override;
    std::vector<TableRow> page(std::string_view game, std::int64_t offset, int limit) override;
    std::int64_t count(std::string_view game) override;
    std::int64_t rankOf(std::string_view game, std::int32_t score) override;
    std::vector<std::string> games() override;
    std::int64_t contactCount() override;
    // The sum of the change counts the tables' triggers keep: any commit to them, from this
    // store or another, changes it. Nothing while the database cannot be reached.
    std::optional<std::uint64_t> version() override;

private:
    struct Pool;  // the connections, behind libpq's types
    std::unique_ptr<Pool> pool_;
};

}  // namespace scoreserver
