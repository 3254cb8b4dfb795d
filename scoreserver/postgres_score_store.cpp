#include "scoreserver/postgres_score_store.h"

#include <libpq-fe.h>

#include <charconv>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string_view>

namespace scoreserver {

namespace {

// The statements each connection prepares, by name. Every value is a parameter.
struct PreparedText {
    const char* name;
    const char* sql;
};
// One statement, so one transaction: the score, and its contact details only when the score
// is new and they were sent. The count says whether the score was new.
constexpr PreparedText kAdd{
    "add",
    "WITH added AS (INSERT INTO scores(game, name, score, verified, moves, submitted, upload_key)"
    " VALUES($1, $2, $3, $4, $5, $6, $7) ON CONFLICT (game, upload_key) DO NOTHING RETURNING id),"
    " contact AS (INSERT INTO contacts(score_id, address, email)"
    " SELECT id, $8, $9 FROM added WHERE $10)"
    " SELECT count(*) FROM added"};
// A page in one statement, so one snapshot. First the score whose rows hold position $2 and
// how many rows score more (s), from the counts of each score; then the ids of the page's
// rows through the (game, score DESC, id) index, stepping over the skipped rows in the index
// alone: from the run's start when the page starts in its first half, else the run's last
// rows from its end and then the rows after it; each row is then read by its id (OFFSET 0
// keeps the planner from joining the whole table instead). The first column is the rows
// above the page.
constexpr PreparedText kPage{
    "page",
    "WITH c AS (SELECT score, rows, (sum(rows) OVER (ORDER BY score DESC))::bigint - rows AS above"
    "  FROM score_counts WHERE game = $1),"
    " s AS (SELECT score, rows, above, $2::bigint - above AS within,"
    "  least(rows - ($2::bigint - above), $3::bigint) AS tail"
    "  FROM c WHERE above + rows > $2::bigint ORDER BY score DESC LIMIT 1),"
    " k AS (SELECT i.id FROM s, LATERAL (SELECT id FROM scores WHERE game = $1 AND score <= s.score"
    "   ORDER BY score DESC, id LIMIT $3::bigint OFFSET s.within) i WHERE s.within <= s.rows / 2"
    "  UNION ALL SELECT i.id FROM s, LATERAL (SELECT id FROM scores WHERE game = $1"
    "   AND score = s.score ORDER BY id DESC LIMIT s.tail OFFSET s.rows - s.within - s.tail) i"
    "   WHERE s.within > s.rows / 2"
    "  UNION ALL SELECT i.id FROM s, LATERAL (SELECT id FROM scores WHERE game = $1"
    "   AND score < s.score ORDER BY score DESC, id LIMIT $3::bigint - s.tail) i"
    "   WHERE s.within > s.rows / 2)"
    " SELECT s.above, t.name, t.score, t.submitted, t.verified"
    " FROM s, k, LATERAL (SELECT name, score, submitted, verified FROM scores WHERE id = k.id"
    "  OFFSET 0) t ORDER BY t.score DESC, k.id"};
constexpr PreparedText kCount{"count", "SELECT rows FROM game_counts WHERE game = $1"};
constexpr PreparedText kRank{
    "rank",
    "SELECT coalesce(sum(rows), 0)::bigint FROM score_counts WHERE game = $1 AND score > $2"};
// Byte order, as SQLite sorts, whatever the database's collation.
constexpr PreparedText kGames{"games", "SELECT game FROM game_counts ORDER BY game COLLATE \"C\""};
constexpr PreparedText kContacts{"contacts", "SELECT count(*) FROM contacts"};
constexpr PreparedText kVersion{"version",
                                "SELECT coalesce(sum(changes), 0)::bigint FROM table_changes"};
constexpr PreparedText kStatements[] = {kAdd, kPage, kCount, kRank, kGames, kContacts, kVersion};

// The tables, made once by whichever server gets the lock first. upload_key makes a repeated
// upload one row: a verified score's moves, or an unverified score's name and value.
// Triggers keep, in the same transactions, each game's number of rows (game_counts) and how
// many rows have each score (score_counts): a table's size is one look-up, and a rank or a
// page's start is found by summing the few scores above it. Every change to a table also adds
// one to a row of table_changes, whose sum is the store's version: the row is picked by the
// session (64 of them), so that writers in different sessions do not wait for each other's
// commits on one row. A database made before them is counted when they are added, its tables
// locked against writes until then.
constexpr const char* kSchema =
    "BEGIN;"
    " SET LOCAL client_min_messages = warning;"  // no notice for each table already there
    " SELECT pg_advisory_xact_lock(7305114);"
    " CREATE TABLE IF NOT EXISTS scores("
    "  id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, game text NOT NULL,"
    "  name text NOT NULL, score integer NOT NULL, verified boolean NOT NULL, moves text,"
    "  submitted bigint NOT NULL, upload_key text NOT NULL, UNIQUE(game, upload_key));"
    " CREATE INDEX IF NOT EXISTS scores_by_rank ON scores(game, score DESC, id);"
    " CREATE TABLE IF NOT EXISTS contacts("
    "  score_id bigint PRIMARY KEY REFERENCES scores(id) ON DELETE CASCADE,"
    "  address text NOT NULL, email text NOT NULL);"
    " DO $do$ BEGIN IF to_regclass('score_counts') IS NULL THEN"
    "  LOCK TABLE scores, contacts IN SHARE ROW EXCLUSIVE MODE;"
    "  CREATE TABLE game_counts(game text PRIMARY KEY, rows bigint NOT NULL);"
    "  CREATE TABLE score_counts(game text NOT NULL, score integer NOT NULL,"
    "   rows bigint NOT NULL, PRIMARY KEY(game, score));"
    "  CREATE TABLE table_changes(slot integer PRIMARY KEY, changes bigint NOT NULL);"
    "  INSERT INTO table_changes SELECT slot, 0 FROM generate_series(0, 63) slot;"
    "  INSERT INTO game_counts SELECT game, count(*) FROM scores GROUP BY game;"
    "  INSERT INTO score_counts SELECT game, score, count(*) FROM scores GROUP BY game, score;"
    "  CREATE FUNCTION tables_changed() RETURNS trigger LANGUAGE plpgsql AS $f$ BEGIN"
    "   UPDATE table_changes SET changes = changes + 1 WHERE slot = pg_backend_pid() % 64;"
    "   RETURN NULL; END $f$;"
    "  CREATE FUNCTION scores_counted() RETURNS trigger LANGUAGE plpgsql AS $f$"
    "  DECLARE moved boolean := TG_OP <> 'UPDATE'; BEGIN"
    "   IF TG_OP = 'UPDATE' THEN"
    "    moved := OLD.game IS DISTINCT FROM NEW.game OR OLD.score IS DISTINCT FROM NEW.score;"
    "   END IF;"
    "   IF moved AND TG_OP <> 'INSERT' THEN"
    "    UPDATE game_counts SET rows = rows - 1 WHERE game = OLD.game;"
    "    DELETE FROM game_counts WHERE game = OLD.game AND rows <= 0;"
    "    UPDATE score_counts SET rows = rows - 1 WHERE game = OLD.game AND score = OLD.score;"
    "    DELETE FROM score_counts WHERE game = OLD.game AND score = OLD.score AND rows <= 0;"
    "   END IF;"
    "   IF moved AND TG_OP <> 'DELETE' THEN"
    "    INSERT INTO game_counts AS g VALUES(NEW.game, 1)"
    "     ON CONFLICT (game) DO UPDATE SET rows = g.rows + 1;"
    "    INSERT INTO score_counts AS g VALUES(NEW.game, NEW.score, 1)"
    "     ON CONFLICT (game, score) DO UPDATE SET rows = g.rows + 1;"
    "   END IF;"
    "   UPDATE table_changes SET changes = changes + 1 WHERE slot = pg_backend_pid() % 64;"
    "   RETURN NULL; END $f$;"
    "  CREATE FUNCTION scores_emptied() RETURNS trigger LANGUAGE plpgsql AS $f$ BEGIN"
    "   DELETE FROM game_counts; DELETE FROM score_counts;"
    "   UPDATE table_changes SET changes = changes + 1 WHERE slot = pg_backend_pid() % 64;"
    "   RETURN NULL; END $f$;"
    "  CREATE TRIGGER scores_counted AFTER INSERT OR UPDATE OR DELETE ON scores"
    "   FOR EACH ROW EXECUTE FUNCTION scores_counted();"
    "  CREATE TRIGGER scores_emptied AFTER TRUNCATE ON scores"
    "   FOR EACH STATEMENT EXECUTE FUNCTION scores_emptied();"
    "  CREATE TRIGGER contacts_changed AFTER INSERT OR UPDATE OR DELETE ON contacts"
    "   FOR EACH ROW EXECUTE FUNCTION tables_changed();"
    "  CREATE TRIGGER contacts_emptied AFTER TRUNCATE ON contacts"
    "   FOR EACH STATEMENT EXECUTE FUNCTION tables_changed();"
    " END IF; END $do$;"
    "COMMIT";

// libpq's messages end in a newline.
std::string messageOf(const char* text) {
    std::string message = text != nullptr ? text : "";
    while (!message.empty() && (message.back() == '\n' || message.back() == ' '))
        message.pop_back();
    return message.empty() ? "the database failed" : message;
}

// A new session (check its status). The address may set anything but the text encoding,
// which is always UTF-8.
PGconn* connect(const std::string& address) {
    const char* keywords[] = {"connect_timeout", "fallback_application_name", "dbname",
                              "client_encoding", nullptr};
    const char* values[] = {"10", "scoreserver", address.c_str(), "UTF8", nullptr};
    PGconn* pg = PQconnectdbParams(keywords, values, 1);
    if (pg == nullptr) throw StoreError("out of memory");
    return pg;
}

class Result {
public:
    explicit Result(PGresult* result) : result_(result) {}
    ~Result() { PQclear(result_); }
    Result(const Result&) = delete;
    Result& operator=(const Result&) = delete;

    // Throws StoreError unless the result has the status.
    void expect(ExecStatusType status, PGconn* pg) const {
        if (result_ == nullptr) throw StoreError(messageOf(PQerrorMessage(pg)));
        if (PQresultStatus(result_) != status)
            throw StoreError(messageOf(PQresultErrorMessage(result_)));
    }
    int rows() const { return PQntuples(result_); }
    std::string text(int row, int column) const {
        return std::string(PQgetvalue(result_, row, column),
                           static_cast<std::size_t>(PQgetlength(result_, row, column)));
    }
    std::int64_t integer(int row, int column) const {
        const char* value = PQgetvalue(result_, row, column);
        const char* end = value + PQgetlength(result_, row, column);
        std::int64_t number = 0;
        const auto [at, error] = std::from_chars(value, end, number);
        if (error != std::errc() || at != end) throw StoreError("the database sent no number");
        return number;
    }
    bool boolean(int row, int column) const { return text(row, column) == "t"; }

private:
    PGresult* result_;
};

// A statement's values, as text. libpq reads each as a C string, so a NUL byte would cut it
// short: such text is refused rather than stored cut.
class Params {
public:
    Params& text(std::string_view value) {
        if (value.find('\0') != std::string_view::npos)
            throw StoreError("text with a NUL byte cannot be stored");
        values_.emplace_back(std::string(value));
        return *this;
    }
    Params& integer(std::int64_t value) {
        values_.emplace_back(std::to_string(value));
        return *this;
    }
    Params& boolean(bool value) {
        values_.emplace_back(value ? "true" : "false");
        return *this;
    }
    Params& null() {
        values_.emplace_back(std::nullopt);
        return *this;
    }
    std::vector<const char*> pointers() const {
        std::vector<const char*> out;
        for (const auto& value : values_) out.push_back(value ? value->c_str() : nullptr);
        return out;
    }

private:
    std::vector<std::optional<std::string>> values_;
};

}  // namespace

struct PostgresScoreStore::Pool {
    struct Connection {
        PGconn* pg = nullptr;
        bool prepared = false;  // the statements exist in this session
    };

    std::string address;
    std::mutex mutex;
    std::condition_variable freed;
    std::vector<Connection> connections;  // sized once; the elements never move
    std::vector<Connection*> idle;

    ~Pool() {
        for (Connection& c : connections) PQfinish(c.pg);
    }

    // A connection no other thread uses, waiting while all are in use.
    Connection* acquire() {
        std::unique_lock lock(mutex);
        freed.wait(lock, [this] { return !idle.empty(); });
        Connection* c = idle.back();
        idle.pop_back();
        return c;
    }
    void release(Connection* c) {
        {
            std::lock_guard lock(mutex);
            idle.push_back(c);
        }
        freed.notify_one();
    }

    // Connects, or connects again when the server closed the session (a restart), and
    // prepares the statements on a new session.
    void ready(Connection& c) {
        // Reads what the server sent while the connection was idle: a session it ended shows
        // as a bad connection here rather than as a failed statement later.
        if (c.pg != nullptr && PQstatus(c.pg) == CONNECTION_OK) PQconsumeInput(c.pg);
        if (c.pg == nullptr || PQstatus(c.pg) != CONNECTION_OK) {
            c.prepared = false;
            if (c.pg == nullptr)
                c.pg = connect(address);
            else
                PQreset(c.pg);
            if (PQstatus(c.pg) != CONNECTION_OK)
                throw StoreError("cannot connect to the database: " +
                                 messageOf(PQerrorMessage(c.pg)));
        }
        if (!c.prepared) {
            try {
                for (const PreparedText& s : kStatements)
                    Result(PQprepare(c.pg, s.name, s.sql, 0, nullptr))
                        .expect(PGRES_COMMAND_OK, c.pg);
            } catch (const StoreError&) {
                // Some may exist: the next use starts on a new session rather than fail on
                // preparing them twice.
                PQfinish(c.pg);
                c.pg = nullptr;
                throw;
            }
            c.prepared = true;
        }
    }

    // Runs a prepared statement that returns rows.
    static std::unique_ptr<Result> query(Connection& c, const PreparedText& statement,
                                         const Params& params = {}) {
        const std::vector<const char*> values = params.pointers();
        auto result = std::make_unique<Result>(PQexecPrepared(c.pg, statement.name,
                                                              static_cast<int>(values.size()),
                                                              values.data(), nullptr, nullptr, 0));
        result->expect(PGRES_TUPLES_OK, c.pg);
        return result;
    }

    // Runs `work` on a connection of its own. A session found broken by its statement (the
    // server restarted since it was last used) is made again and the work run once more:
    // every statement here is a read or an add that a repeat leaves as it was.
    template <class Work>
    auto run(Work work) {
        struct Lease {
            Pool& pool;
            Connection* c;
            ~Lease() { pool.release(c); }
        } lease{*this, acquire()};
        for (int attempt = 0;; ++attempt) {
            ready(*lease.c);
            try {
                return work(*lease.c);
            } catch (const StoreError&) {
                if (attempt > 0 || PQstatus(lease.c->pg) == CONNECTION_OK) throw;
            }
        }
    }
};

PostgresScoreStore::PostgresScoreStore(const std::string& address, std::size_t connections)
    : pool_(std::make_unique<Pool>()) {
    pool_->address = address;
    pool_->connections.resize(connections > 0 ? connections : 1);
    for (Pool::Connection& c : pool_->connections) pool_->idle.push_back(&c);
    // The first session makes the tables before any statement is prepared against them.
    Pool::Connection& first = pool_->connections.front();
    first.pg = connect(address);
    if (PQstatus(first.pg) != CONNECTION_OK)
        throw StoreError("cannot connect to the database: " + messageOf(PQerrorMessage(first.pg)));
    Result(PQexec(first.pg, kSchema)).expect(PGRES_COMMAND_OK, first.pg);
    pool_->ready(first);
}

PostgresScoreStore::~PostgresScoreStore() = default;

AddOutcome PostgresScoreStore::add(const NewScore& score) {
    const std::string key = score.verified
                                ? "moves:" + score.moves
                                : "entry:" + score.name + '\n' + std::to_string(score.score);
    Params params;
    params.text(score.game).text(score.name).integer(score.score).boolean(score.verified);
    if (score.verified)
        params.text(score.moves);
    else
        params.null();
    params.integer(score.submittedAt).text(key).text(score.address).text(score.email);
    params.boolean(!score.address.empty() || !score.email.empty());
    return pool_->run([&](Pool::Connection& c) {
        const auto result = Pool::query(c, kAdd, params);
        return result->integer(0, 0) == 0 ? AddOutcome::Duplicate : AddOutcome::Added;
    });
}

std::vector<TableRow> PostgresScoreStore::page(std::string_view game, std::int64_t offset,
                                               int limit) {
    if (offset < 0 || limit <= 0) return {};
    Params params;
    params.text(game).integer(offset).integer(limit);
    std::vector<TableRow> rows = pool_->run([&](Pool::Connection& c) {
        const auto result = Pool::query(c, kPage, params);
        std::vector<TableRow> read;
        for (int r = 0; r < result->rows(); ++r)
            read.push_back({result->integer(r, 0), result->text(r, 1),
                            static_cast<std::int32_t>(result->integer(r, 2)), result->integer(r, 3),
                            result->boolean(r, 4)});
        return read;
    });
    // A row's rank is 1 + the rows scoring more: for the first, the rows above its score; for
    // a later one its position when its score differs from the row before, else that row's
    // rank (rank() over the whole table).
    for (std::size_t i = 0; i < rows.size(); ++i)
        rows[i].rank = i == 0 ? rows[i].rank + 1
                       : rows[i].score != rows[i - 1].score
                           ? offset + static_cast<std::int64_t>(i) + 1
                           : rows[i - 1].rank;
    return rows;
}

std::int64_t PostgresScoreStore::count(std::string_view game) {
    Params params;
    params.text(game);
    return pool_->run([&](Pool::Connection& c) {
        const auto result = Pool::query(c, kCount, params);
        return result->rows() > 0 ? result->integer(0, 0) : 0;
    });
}

std::int64_t PostgresScoreStore::rankOf(std::string_view game, std::int32_t score) {
    Params params;
    params.text(game).integer(score);
    return pool_->run(
        [&](Pool::Connection& c) { return 1 + Pool::query(c, kRank, params)->integer(0, 0); });
}

std::vector<std::string> PostgresScoreStore::games() {
    return pool_->run([](Pool::Connection& c) {
        const auto result = Pool::query(c, kGames);
        std::vector<std::string> names;
        for (int r = 0; r < result->rows(); ++r) names.push_back(result->text(r, 0));
        return names;
    });
}

std::int64_t PostgresScoreStore::contactCount() {
    return pool_->run([](Pool::Connection& c) { return Pool::query(c, kContacts)->integer(0, 0); });
}

std::optional<std::uint64_t> PostgresScoreStore::version() {
    // A store that cannot read its version cannot tell: pages are then made anew, and their
    // own statements report the failure.
    try {
        return pool_->run([](Pool::Connection& c) {
            return std::optional<std::uint64_t>(
                static_cast<std::uint64_t>(Pool::query(c, kVersion)->integer(0, 0)));
        });
    } catch (const StoreError&) {
        return std::nullopt;
    }
}

}  // namespace scoreserver
