// The score tables in one SQLite file: write-ahead log, every commit synced to disk, and
// only prepared statements with bound values. Contact details live in a table of their own.
#pragma once

#include <mutex>
#include <string>

#include "scoreserver/score_store.h"

struct sqlite3;

namespace scoreserver {

class SqliteScoreStore : public ScoreStore {
public:
    // Opens or creates the file and its tables; throws StoreError when it cannot.
    explicit SqliteScoreStore(const std::string& path);
    ~SqliteScoreStore() override;
    SqliteScoreStore(const SqliteScoreStore&) = delete;
    SqliteScoreStore& operator=(const SqliteScoreStore&) = delete;

    AddOutcome add(const NewScore& score) override;
    std::vector<TableRow> page(std::string_view game, std::int64_t offset, int limit) override;
    std::int64_t count(std::string_view game) override;
    std::int64_t rankOf(std::string_view game, std::int32_t score) override;
    std::vector<std::string> games() override;
    std::int64_t contactCount() override;

private:
    std::mutex mutex_;  // one connection, shared by the server's threads
    sqlite3* db_ = nullptr;
};

}  // namespace scoreserver
