// Picks the store a --database value names.
#pragma once

#include <memory>
#include <string>

#include "scoreserver/score_store.h"

namespace scoreserver {

// A postgresql:// or postgres:// address opens that PostgreSQL database; anything else is the
// path of an SQLite file. `threads` is how many threads use the store at once: a PostgreSQL
// store keeps a connection for each (at least its default number). Throws StoreError when the
// store cannot be opened.
std::unique_ptr<ScoreStore> openStore(const std::string& database, int threads = 0);

}  // namespace scoreserver
