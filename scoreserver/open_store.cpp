#include "scoreserver/open_store.h"

#include <string_view>

#include "scoreserver/postgres_score_store.h"
#include "scoreserver/sqlite_score_store.h"

namespace scoreserver {

std::unique_ptr<ScoreStore> openStore(const std::string& database) {
    const std::string_view text = database;
    if (text.starts_with("postgresql://") || text.starts_with("postgres://"))
        return std::make_unique<PostgresScoreStore>(database);
    return std::make_unique<SqliteScoreStore>(database);
}

}  // namespace scoreserver
