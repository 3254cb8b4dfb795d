#include "scoreserver/sqlite_score_store.h"

#include <sqlite3.h>

#include <algorithm>
#include <map>

namespace scoreserver {

namespace {

[[noreturn]] void fail(sqlite3* db) {
    throw StoreError(sqlite3_errmsg(db));
}

}  // namespace

// One SQLite connection, used by one thread at a time, with its statements prepared once.
class SqliteScoreStore::Connection {
public:
    Connection(const std::string& path, int flags) {
        if (sqlite3_open_v2(path.c_str(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr) !=
            SQLITE_OK) {
            const std::string why = db_ != nullptr ? sqlite3_errmsg(db_) : "out of memory";
            sqlite3_close(db_);
            throw StoreError("cannot open " + path + ": " + why);
        }
        sqlite3_busy_timeout(db_, 5000);
    }
    ~Connection() {
        for (auto& [sql, stmt] : statements_) sqlite3_finalize(stmt);
        sqlite3_close(db_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* db() const { return db_; }
    // The statement for `sql` (a string literal: its address is the key), prepared the first
    // time.
    sqlite3_stmt* statement(const char* sql) {
        sqlite3_stmt*& stmt = statements_[sql];
        if (stmt == nullptr && sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt,
                                                  nullptr) != SQLITE_OK) {
            statements_.erase(sql);
            fail(db_);
        }
        return stmt;
    }

private:
    sqlite3* db_ = nullptr;
    std::map<const char*, sqlite3_stmt*> statements_;
};

namespace {

using Connection = SqliteScoreStore::Connection;

// A prepared statement in use: values bound, rows stepped, reset on scope exit.
class Query {
public:
    Query(Connection& connection, const char* sql)
        : db_(connection.db()), stmt_(connection.statement(sql)) {}
    ~Query() {
        sqlite3_reset(stmt_);
        sqlite3_clear_bindings(stmt_);
    }
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

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
        if (rc != SQLITE_DONE) fail(db_);
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
        if (rc != SQLITE_OK) fail(db_);
    }

    sqlite3* db_;
    sqlite3_stmt* stmt_;
};

void run(Connection& connection, const char* sql) {
    Query q(connection, sql);
    while (q.step()) {
    }
}

// Rolls back unless committed. `begin` is BEGIN IMMEDIATE for writing, BEGIN for a read
// that sees one snapshot.
class Transaction {
public:
    Transaction(Connection& connection, const char* begin) : connection_(connection) {
        run(connection, begin);
    }
    ~Transaction() {
        if (!done_) sqlite3_exec(connection_.db(), "ROLLBACK", nullptr, nullptr, nullptr);
    }
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit() {
        run(connection_, "COMMIT");
        done_ = true;
    }

private:
    Connection& connection_;
    bool done_ = false;
};

// The schema, made once in one transaction. Triggers keep, in the same transactions, each
// game's number of rows (game_counts) and how many rows have each score (score_counts): a
// table's size is one look-up, and a rank or a page's start is found by summing the few
// scores above it instead of counting rows. A database made before them is counted when
// they are added.
void createTables(Connection& c) {
    Transaction transaction(c, "BEGIN IMMEDIATE");
    // upload_key makes a repeated upload one row: a verified score's moves, or an
    // unverified score's name and value.
    run(c,
        "CREATE TABLE IF NOT EXISTS scores("
        " id INTEGER PRIMARY KEY, game TEXT NOT NULL, name TEXT NOT NULL,"
        " score INTEGER NOT NULL, verified INTEGER NOT NULL, moves TEXT,"
        " submitted INTEGER NOT NULL, upload_key TEXT NOT NULL, UNIQUE(game, upload_key))");
    run(c, "CREATE INDEX IF NOT EXISTS scores_by_rank ON scores(game, score DESC, id)");
    run(c,
        "CREATE TABLE IF NOT EXISTS contacts("
        " score_id INTEGER PRIMARY KEY REFERENCES scores(id) ON DELETE CASCADE,"
        " address TEXT NOT NULL, email TEXT NOT NULL)");
    bool counted = false;
    {
        Query q(c, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = 'score_counts'");
        counted = q.step();
    }
    if (!counted) {
        run(c,
            "CREATE TABLE game_counts(game TEXT PRIMARY KEY, rows INTEGER NOT NULL)"
            " WITHOUT ROWID");
        run(c,
            "CREATE TABLE score_counts(game TEXT NOT NULL, score INTEGER NOT NULL,"
            " rows INTEGER NOT NULL, PRIMARY KEY(game, score)) WITHOUT ROWID");
        run(c, "INSERT INTO game_counts SELECT game, count(*) FROM scores GROUP BY game");
        run(c,
            "INSERT INTO score_counts SELECT game, score, count(*) FROM scores"
            " GROUP BY game, score");
        run(c,
            "CREATE TRIGGER scores_counted AFTER INSERT ON scores BEGIN"
            " INSERT INTO game_counts(game, rows) VALUES(NEW.game, 1)"
            "  ON CONFLICT(game) DO UPDATE SET rows = rows + 1;"
            " INSERT INTO score_counts(game, score, rows) VALUES(NEW.game, NEW.score, 1)"
            "  ON CONFLICT(game, score) DO UPDATE SET rows = rows + 1;"
            " END");
        run(c,
            "CREATE TRIGGER scores_uncounted AFTER DELETE ON scores BEGIN"
            " UPDATE game_counts SET rows = rows - 1 WHERE game = OLD.game;"
            " DELETE FROM game_counts WHERE game = OLD.game AND rows <= 0;"
            " UPDATE score_counts SET rows = rows - 1 WHERE game = OLD.game AND score = OLD.score;"
            " DELETE FROM score_counts WHERE game = OLD.game AND score = OLD.score AND rows <= 0;"
            " END");
        run(c,
            "CREATE TRIGGER scores_recounted AFTER UPDATE OF game, score ON scores"
            " WHEN OLD.game IS NOT NEW.game OR OLD.score IS NOT NEW.score BEGIN"
            " UPDATE game_counts SET rows = rows - 1 WHERE game = OLD.game;"
            " DELETE FROM game_counts WHERE game = OLD.game AND rows <= 0;"
            " INSERT INTO game_counts(game, rows) VALUES(NEW.game, 1)"
            "  ON CONFLICT(game) DO UPDATE SET rows = rows + 1;"
            " UPDATE score_counts SET rows = rows - 1 WHERE game = OLD.game AND score = OLD.score;"
            " DELETE FROM score_counts WHERE game = OLD.game AND score = OLD.score AND rows <= 0;"
            " INSERT INTO score_counts(game, score, rows) VALUES(NEW.game, NEW.score, 1)"
            "  ON CONFLICT(game, score) DO UPDATE SET rows = rows + 1;"
            " END");
    }
    transaction.commit();
}

// Inserts one score in the open transaction.
AddOutcome insertScore(Connection& c, const NewScore& score) {
    const std::string key = score.verified
                                ? "moves:" + score.moves
                                : "entry:" + score.name + '\n' + std::to_string(score.score);
    Query insert(c,
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
    if (sqlite3_changes(c.db()) == 0) return AddOutcome::Duplicate;
    if (!score.address.empty() || !score.email.empty()) {
        Query contact(c, "INSERT INTO contacts(score_id, address, email) VALUES(?, ?, ?)");
        contact.bind(1, sqlite3_last_insert_rowid(c.db()));
        contact.bind(2, score.address);
        contact.bind(3, score.email);
        contact.step();
    }
    return AddOutcome::Added;
}

}  // namespace

SqliteScoreStore::SqliteScoreStore(const std::string& path)
    : path_(path),
      writer_(std::make_unique<Connection>(path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) {
    Connection& c = *writer_;
    {
        Query wal(c, "PRAGMA journal_mode=WAL");
        if (!wal.step() || wal.text(0) != "wal") throw StoreError("no write-ahead log");
    }
    run(c, "PRAGMA synchronous=FULL");
    run(c, "PRAGMA foreign_keys=ON");
    createTables(c);
    versionReader_ = std::make_unique<Connection>(path, SQLITE_OPEN_READWRITE);
}

SqliteScoreStore::~SqliteScoreStore() = default;

void SqliteScoreStore::ReaderReturn::operator()(Connection* connection) const {
    std::unique_ptr<Connection> owned(connection);
    std::lock_guard lock(store->readersMutex_);
    store->idleReaders_.push_back(std::move(owned));
}

std::unique_ptr<SqliteScoreStore::Connection, SqliteScoreStore::ReaderReturn>
SqliteScoreStore::reader() {
    {
        std::lock_guard lock(readersMutex_);
        if (!idleReaders_.empty()) {
            Connection* c = idleReaders_.back().release();
            idleReaders_.pop_back();
            return {c, ReaderReturn{this}};
        }
    }
    // As many read connections are opened as threads read at once.
    auto c = std::make_unique<Connection>(path_, SQLITE_OPEN_READWRITE);
    run(*c, "PRAGMA query_only=ON");
    return {c.release(), ReaderReturn{this}};
}

AddOutcome SqliteScoreStore::add(const NewScore& score) {
    Pending me{&score};
    std::unique_lock lock(queueMutex_);
    queue_.push_back(&me);
    while (!me.done) {
        if (committing_) {
            committed_.wait(lock);
            continue;
        }
        // No commit is running: this caller commits every add queued so far, its own too.
        committing_ = true;
        const std::vector<Pending*> group = std::move(queue_);
        queue_.clear();
        lock.unlock();
        commitGroup(group);
        lock.lock();
        for (Pending* p : group) p->done = true;
        committing_ = false;
        committed_.notify_all();
    }
    if (me.error) std::rethrow_exception(me.error);
    return me.outcome;
}

void SqliteScoreStore::commitGroup(const std::vector<Pending*>& group) {
    Connection& c = *writer_;
    try {
        Transaction transaction(c, "BEGIN IMMEDIATE");
        for (Pending* p : group) p->outcome = insertScore(c, *p->score);
        transaction.commit();
        return;
    } catch (...) {
        if (group.size() == 1) {
            group.front()->error = std::current_exception();
            return;
        }
    }
    // One bad row must not cost the others theirs: each is tried again on its own.
    for (Pending* p : group) {
        try {
            Transaction transaction(c, "BEGIN IMMEDIATE");
            p->outcome = insertScore(c, *p->score);
            transaction.commit();
        } catch (...) {
            p->error = std::current_exception();
        }
    }
}

std::vector<TableRow> SqliteScoreStore::page(std::string_view game, std::int64_t offset,
                                             int limit) {
    std::vector<TableRow> rows;
    if (offset < 0 || limit <= 0) return rows;
    const auto c = reader();
    // One snapshot for every step. First the score whose rows hold position `offset`, how
    // many rows score more and how many have it: from the counts of each score, best first.
    Transaction snapshot(*c, "BEGIN");
    std::int64_t above = 0;
    std::int64_t startScore = 0;
    std::int64_t group = 0;
    {
        Query scores(*c, "SELECT score, rows FROM score_counts WHERE game = ? ORDER BY score DESC");
        scores.bind(1, game);
        while (group == 0 && scores.step()) {
            const std::int64_t count = scores.integer(1);
            if (above + count > offset) {
                startScore = scores.integer(0);
                group = count;
            } else {
                above += count;
            }
        }
    }
    const auto read = [&rows](Query& select) {
        while (select.step())
            rows.push_back({0, select.text(0), static_cast<std::int32_t>(select.integer(1)),
                            select.integer(2), select.integer(3) != 0});
    };
    const std::int64_t within = offset - above;  // the page's start in its score's rows
    if (group == 0) {
        // Past the end.
    } else if (within <= group / 2) {
        // The rows skipped are stepped over in the index alone; only the page's are read.
        Query select(*c,
                     "SELECT name, score, submitted, verified FROM scores WHERE id IN"
                     " (SELECT id FROM scores WHERE game = ? AND score <= ?"
                     "  ORDER BY score DESC, id LIMIT ? OFFSET ?)"
                     " ORDER BY score DESC, id");
        select.bind(1, game);
        select.bind(2, startScore);
        select.bind(3, std::int64_t{limit});
        select.bind(4, within);
        read(select);
    } else {
        // Near the end of a long run of equal scores, as the rows above a new score are:
        // that run's last rows are read from its end, then the rows after it.
        const std::int64_t tail = std::min<std::int64_t>(group - within, limit);
        {
            Query last(*c,
                       "SELECT name, score, submitted, verified FROM scores WHERE id IN"
                       " (SELECT id FROM scores WHERE game = ? AND score = ?"
                       "  ORDER BY id DESC LIMIT ? OFFSET ?)"
                       " ORDER BY id DESC");
            last.bind(1, game);
            last.bind(2, startScore);
            last.bind(3, tail);
            last.bind(4, group - within - tail);
            read(last);
            std::reverse(rows.begin(), rows.end());
        }
        if (limit > tail) {
            Query next(*c,
                       "SELECT name, score, submitted, verified FROM scores"
                       " WHERE game = ? AND score < ? ORDER BY score DESC, id LIMIT ?");
            next.bind(1, game);
            next.bind(2, startScore);
            next.bind(3, limit - tail);
            read(next);
        }
    }
    snapshot.commit();
    // A row's rank is 1 + the rows scoring more: for the first, the rows above its score;
    // for a later one its position when its score differs from the row before, else that
    // row's rank (rank() over the whole table).
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].rank = i == 0 ? above + 1
                       : rows[i].score != rows[i - 1].score
                           ? offset + static_cast<std::int64_t>(i) + 1
                           : rows[i - 1].rank;
    return rows;
}

std::int64_t SqliteScoreStore::count(std::string_view game) {
    const auto c = reader();
    Query select(*c, "SELECT rows FROM game_counts WHERE game = ?");
    select.bind(1, game);
    return select.step() ? select.integer(0) : 0;
}

std::int64_t SqliteScoreStore::rankOf(std::string_view game, std::int32_t score) {
    const auto c = reader();
    Query select(*c, "SELECT total(rows) FROM score_counts WHERE game = ? AND score > ?");
    select.bind(1, game);
    select.bind(2, std::int64_t{score});
    return 1 + (select.step() ? select.integer(0) : 0);
}

std::vector<std::string> SqliteScoreStore::games() {
    const auto c = reader();
    std::vector<std::string> names;
    Query select(*c, "SELECT game FROM game_counts ORDER BY game");
    while (select.step()) names.push_back(select.text(0));
    return names;
}

std::optional<std::uint64_t> SqliteScoreStore::version() {
    std::lock_guard lock(versionMutex_);
    Query select(*versionReader_, "PRAGMA data_version");
    return select.step() ? static_cast<std::uint64_t>(select.integer(0)) : 0;
}

std::int64_t SqliteScoreStore::contactCount() {
    const auto c = reader();
    Query select(*c, "SELECT count(*) FROM contacts");
    return select.step() ? select.integer(0) : 0;
}

}  // namespace scoreserver
