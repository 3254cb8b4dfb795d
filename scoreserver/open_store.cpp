#include "scoreserver/open_store.h"

#include <algorithm>
#include <string_view>

#include "scoreserver/postgres_score_store.h"
#include "scoreserver/sqlite_score_store.h"

namespace scoreserver {

std::unique_ptr<ScoreStore> openStore(const std::string& database, int threads) {
    const std::string_view text = database;
    if (text.starts_with("postgresql://") || text.starts_with("postgres://"))
        return std::make_unique<PostgresScoreStore>(
            database, std::max(PostgresScoreStore::kDefaultConnections,
                               static_cast<std::size_t>(std::max(threads, 0))));
    return std::make_unique<SqliteScoreStore>(database);
}

}  // namespace scoreserver
