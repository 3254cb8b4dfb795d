#include "scoreserver/sqlite_score_store.h"

#include <sqlite3.h>

namespace scoreserver {

namespace {

// One prepared statement, finalized on scope exit.
class Statement {
public:
    Statement(sqlite3* db, std::string_view sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &stmt_, nullptr) !=
            SQLITE_OK)
            fail();
    }
    ~Statement() { sqlite3_finalize(stmt_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    void bind(int index, std::string_view text) {
        check(sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                                SQLITE_TRANSIENT));
    }
    void bind(int index, std::int64_t value) { check(sqlite3_bind_int64(stmt_, index, value)); }
    void bindNull(int index) { check(sqlite3_bind_null(stmt_, index)); }
    // True while a row is there to read.
    bool step() {
        const int rc = sqlite3_step(stmt_);
        if (rc == SQLITE_ROW) return true;
        if (rc != SQLITE_DONE) fail();
        return false;
    }
    std::int64_t integer(int column) const { return sqlite3_column_int64(stmt_, column); }
    std::string text(int column) const {
        const auto* p = sqlite3_column_text(stmt_, column);
        return p == nullptr
                   ? std::string()
                   : std::string(reinterpret_cast<const char*>(p),
                                 static_cast<std::size_t>(sqlite3_column_bytes(stmt_, column)));
    }

private:
    void check(int rc) const {
        if (rc != SQLITE_OK) fail();
    }
    [[noreturn]] void fail() const { throw StoreError(sqlite3_errmsg(db_)); }

    sqlite3* db_;
    sqlite3_stmt* stmt_ = nullptr;
};

void run(sqlite3* db, std::string_view sql) {
    Statement s(db, sql);
    while (s.step()) {
    }
}

// Rolls back unless committed.
class Transaction {
public:
    explicit Transaction(sqlite3* db) : db_(db) { run(db, "BEGIN IMMEDIATE"); }
    ~Transaction() {
        if (!done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit() {
        run(db_, "COMMIT");
        done_ = true;
    }

private:
    sqlite3* db_;
    bool done_ = false;
};

}  // namespace

SqliteScoreStore::SqliteScoreStore(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        const std::string why = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close(db_);
        throw StoreError("cannot open " + path + ": " + why);
    }
    try {
        sqlite3_busy_timeout(db_, 5000);
        {
            Statement wal(db_, "PRAGMA journal_mode=WAL");
            if (!wal.step() || wal.text(0) != "wal") throw StoreError("no write-ahead log");
        }
        run(db_, "PRAGMA synchronous=FULL");
        run(db_, "PRAGMA foreign_keys=ON");
        // upload_key makes a repeated upload one row: a verified score's moves, or an
        // unverified score's name and value.
        run(db_,
            "CREATE TABLE IF NOT EXISTS scores("
            " id INTEGER PRIMARY KEY, game TEXT NOT NULL, name TEXT NOT NULL,"
            " score INTEGER NOT NULL, verified INTEGER NOT NULL, moves TEXT,"
            " submitted INTEGER NOT NULL, upload_key TEXT NOT NULL, UNIQUE(game, upload_key))");
        run(db_, "CREATE INDEX IF NOT EXISTS scores_by_rank ON scores(game, score DESC, id)");
        run(db_,
            "CREATE TABLE IF NOT EXISTS contacts("
            " score_id INTEGER PRIMARY KEY REFERENCES scores(id) ON DELETE CASCADE,"
            " address TEXT NOT NULL, email TEXT NOT NULL)");
    } catch (...) {
        sqlite3_close(db_);
        throw;
    }
}

SqliteScoreStore::~SqliteScoreStore() {
    sqlite3_close(db_);
}

AddOutcome SqliteScoreStore::add(const NewScore& score) {
    std::lock_guard lock(mutex_);
    const std::string key = score.verified
                                ? "moves:" + score.moves
                                : "entry:" + score.name + '\n' + std::to_string(score.score);
    Transaction transaction(db_);
    Statement insert(db_,
                     "INSERT INTO scores(game, name, score, verified, moves, submitted, upload_key)"
                     " VALUES(?, ?, ?, ?, ?, ?, ?) ON CONFLICT(game, upload_key) DO NOTHING");
    insert.bind(1, score.game);
    insert.bind(2, score.name);
    insert.bind(3, std::int64_t{score.score});
    insert.bind(4, std::int64_t{score.verified ? 1 : 0});
    if (score.verified)
        insert.bind(5, score.moves);
    else
        insert.bindNull(5);
    insert.bind(6, score.submittedAt);
    insert.bind(7, key);
    insert.step();
    if (sqlite3_changes(db_) == 0) return AddOutcome::Duplicate;
    if (!score.address.empty() || !score.email.empty()) {
        Statement contact(db_, "INSERT INTO contacts(score_id, address, email) VALUES(?, ?, ?)");
        contact.bind(1, sqlite3_last_insert_rowid(db_));
        contact.bind(2, score.address);
        contact.bind(3, score.email);
        contact.step();
    }
    transaction.commit();
    return AddOutcome::Added;
}

std::vector<TableRow> SqliteScoreStore::page(std::string_view game, std::int64_t offset,
                                             int limit) {
    std::lock_guard lock(mutex_);
    std::vector<TableRow> rows;
    if (offset < 0 || limit <= 0) return rows;
    Statement select(db_,
                     "SELECT rank() OVER (ORDER BY score DESC), name, score, submitted, verified"
                     " FROM scores WHERE game = ? ORDER BY score DESC, id LIMIT ? OFFSET ?");
    select.bind(1, game);
    select.bind(2, std::int64_t{limit});
    select.bind(3, offset);
    while (select.step())
        rows.push_back({select.integer(0), select.text(1),
                        static_cast<std::int32_t>(select.integer(2)), select.integer(3),
                        select.integer(4) != 0});
    return rows;
}

std::int64_t SqliteScoreStore::count(std::string_view game) {
    std::lock_guard lock(mutex_);
    Statement select(db_, "SELECT count(*) FROM scores WHERE game = ?");
    select.bind(1, game);
    return select.step() ? select.integer(0) : 0;
}

std::int64_t SqliteScoreStore::rankOf(std::string_view game, std::int32_t score) {
    std::lock_guard lock(mutex_);
    Statement select(db_, "SELECT count(*) FROM scores WHERE game = ? AND score > ?");
    select.bind(1, game);
    select.bind(2, std::int64_t{score});
    return 1 + (select.step() ? select.integer(0) : 0);
}

std::vector<std::string> SqliteScoreStore::games() {
    std::lock_guard lock(mutex_);
    std::vector<std::string> names;
    Statement select(db_, "SELECT DISTINCT game FROM scores ORDER BY game");
    while (select.step()) names.push_back(select.text(0));
    return names;
}

std::int64_t SqliteScoreStore::contactCount() {
    std::lock_guard lock(mutex_);
    Statement select(db_, "SELECT count(*) FROM contacts");
    return select.step() ? select.integer(0) : 0;
}

}  // namespace scoreserver
