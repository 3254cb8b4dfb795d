// The score tables in each store, and what an upload puts in them.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "scoreserver/open_store.h"
#include "scoreserver/postgres_score_store.h"
#include "scoreserver/score_intake.h"
#include "scoreserver/sqlite_score_store.h"
#include "tests/scoreserver/store_support.h"
#include "tests/scoreserver/upload_support.h"
#include "tests/support/temp_dir.h"

using namespace scoreserver;
using servertest::query;
using servertest::StoreKind;

namespace {

// The older database both upgrade tests start from: Tintaro's A 300, B 900, C 300 and Orbis's
// D 50, as its counts should read once counted.
void expectTheOlderTable(ScoreStore& store) {
    EXPECT_EQ(store.count("Tintaro"), 3);
    EXPECT_EQ(store.count("Orbis"), 1);
    EXPECT_EQ(store.games(), (std::vector<std::string>{"Orbis", "Tintaro"}));
    EXPECT_EQ(store.rankOf("Tintaro", 300), 2);
    const std::vector<TableRow> tail = store.page("Tintaro", 2, 5);
    ASSERT_EQ(tail.size(), 1u);
    EXPECT_EQ(tail[0].name, "C");
    EXPECT_EQ(tail[0].rank, 2);
}

// The same table after E 600 was added, Orbis and B deleted by hand and C moved to 1000:
// the counts follow edits made behind the store's back. `lastName` is A's name by then.
void expectTheEditedTable(ScoreStore& store, const std::string& lastName) {
    EXPECT_EQ(store.count("Tintaro"), 3);
    EXPECT_EQ(store.count("Orbis"), 0);
    EXPECT_EQ(store.games(), std::vector<std::string>{"Tintaro"});
    const std::vector<TableRow> rows = store.page("Tintaro", 0, 10);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].name, "C");
    EXPECT_EQ(rows[2].name, lastName);
    EXPECT_EQ(store.page("Tintaro", 2, 1).at(0).rank, 3);
    EXPECT_EQ(store.rankOf("Tintaro", 600), 2);
}

class ScoreStoreTest : public ::testing::TestWithParam<StoreKind> {
protected:
    NewScore score(const std::string& name, std::int32_t value, std::int64_t at = 1000) {
        NewScore s;
        s.game = "Tintaro";
        s.name = name;
        s.score = value;
        s.submittedAt = at;
        return s;
    }
    servertest::ScratchStore scratch{GetParam()};
    std::unique_ptr<ScoreStore> owned = scratch.open();
    ScoreStore& store = *owned;
};

INSTANTIATE_TEST_SUITE_P(Stores, ScoreStoreTest,
                         ::testing::Values(StoreKind::SQLite, StoreKind::PostgreSQL),
                         servertest::storeName);

TEST_P(ScoreStoreTest, RanksPagesAndKeepsEachGameApart) {
    const int values[] = {500, 900, 700, 900, 100, 300};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(store.add(score("P" + std::to_string(i), values[i], 1000 + i)),
                  AddOutcome::Added);
    NewScore other = score("Z", 99999);
    other.game = "Orbis";
    store.add(other);
    EXPECT_EQ(store.count("Tintaro"), 6);
    EXPECT_EQ(store.count("Orbis"), 1);

    const std::vector<TableRow> first = store.page("Tintaro", 0, 4);
    ASSERT_EQ(first.size(), 4u);
    // Equal scores share a rank, the earlier upload first; the next rank skips.
    EXPECT_EQ(first[0].name, "P1");
    EXPECT_EQ(first[1].name, "P3");
    EXPECT_EQ(first[0].rank, 1);
    EXPECT_EQ(first[1].rank, 1);
    EXPECT_EQ(first[2].rank, 3);
    EXPECT_EQ(first[2].score, 700);
    EXPECT_EQ(first[3].score, 500);
    EXPECT_EQ(first[3].submittedAt, 1000);
    const std::vector<TableRow> second = store.page("Tintaro", 4, 4);
    ASSERT_EQ(second.size(), 2u);
    EXPECT_EQ(second[0].rank, 5);
    EXPECT_EQ(second[0].score, 300);
    EXPECT_EQ(second[1].rank, 6);
    EXPECT_TRUE(store.page("Tintaro", 6, 4).empty());
    EXPECT_TRUE(store.page("Tintaro", -1, 4).empty());

    // The widest values and text past ASCII come back as they went in.
    NewScore wide = score("J\xC3\xB6rg \xE2\x82\xAC", std::numeric_limits<std::int32_t>::max(),
                          std::int64_t{1} << 40);
    wide.game = "Orbis";
    EXPECT_EQ(store.add(wide), AddOutcome::Added);
    const std::vector<TableRow> orbis = store.page("Orbis", 0, 10);
    ASSERT_EQ(orbis.size(), 2u);
    EXPECT_EQ(orbis[0].name, wide.name);
    EXPECT_EQ(orbis[0].score, wide.score);
    EXPECT_EQ(orbis[0].submittedAt, wide.submittedAt);
    EXPECT_EQ(store.rankOf("Orbis", 100000), 2);
    EXPECT_EQ(store.rankOf("Tintaro", 800), 3);
    EXPECT_EQ(store.rankOf("Nope", 1), 1);
    EXPECT_EQ(store.games(), (std::vector<std::string>{"Orbis", "Tintaro"}));

    // Everything is kept by the database: a second store on it sees it.
    const std::unique_ptr<ScoreStore> reopened = scratch.open();
    EXPECT_EQ(reopened->page("Tintaro", 0, 10).size(), 6u);
    EXPECT_EQ(reopened->count("Orbis"), 2);
}

TEST_P(ScoreStoreTest, RepeatedUploadsMakeOneRowAndContactsAreKeptOnlyWhenSent) {
    const servertest::PlayedGame game = servertest::shortGame();
    const std::string upload =
        query("Tintaro", "Ada:1 Road:ada@example.org:Y", game.score, game.moves);
    IntakeResult r = takeUpload(upload, store, 5000);
    EXPECT_EQ(r.status, IntakeResult::Status::Stored);
    EXPECT_TRUE(r.verified);
    EXPECT_EQ(takeUpload(upload, store, 5001).status, IntakeResult::Status::Duplicate);
    // The same moves under another name are the same game.
    EXPECT_EQ(takeUpload(query("Tintaro", "Bo", game.score, game.moves), store, 5002).status,
              IntakeResult::Status::Duplicate);
    // An unverified upload sent again (the browser reloading the page) is one row too.
    const std::string unchecked = query("Tintaro", "Cy:::Y", 4200);
    EXPECT_EQ(takeUpload(unchecked, store, 5003).status, IntakeResult::Status::Stored);
    EXPECT_EQ(takeUpload(unchecked, store, 5004).status, IntakeResult::Status::Duplicate);

    const std::vector<TableRow> rows = store.page("Tintaro", 0, 10);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(store.contactCount(), 1);
    for (const TableRow& row : rows) {
        EXPECT_EQ(row.verified, row.name == "Ada") << row.name;
        EXPECT_EQ(row.score, row.name == "Ada" ? game.score : 4200);
    }
}

TEST_P(ScoreStoreTest, NothingIsStoredWhenAnUploadIsRefused) {
    const servertest::PlayedGame game = servertest::shortGame();
    for (const std::string& q :
         {query("Tintaro", "Ada:1 Road:a@b:Y", game.score + 100, game.moves),
          query("Tintaro", "Ada:1 Road:a@b:Y", game.score, game.moves + "7"),
          query("Orbis", "Ada:1 Road:a@b:Y", game.score), query("Tintaro", "Ada:1 Road:a@b:Y", 0),
          query("Tintaro", "Ada:1 Road:a@b:Y", game.score) + "&score=1",
          std::string("game=Tintaro&name=Ada%G0&score=1")}) {
        const IntakeResult r = takeUpload(q, store, 7000);
        EXPECT_EQ(r.status, IntakeResult::Status::Refused) << q;
        EXPECT_FALSE(r.message.empty());
    }
    EXPECT_EQ(store.count("Tintaro"), 0);
    EXPECT_EQ(store.count("Orbis"), 0);
    EXPECT_EQ(store.contactCount(), 0);
}

}  // namespace

namespace {

// The server answers from several threads at once: each add is kept once, whichever thread
// sends it, and readers see whole rows meanwhile.
TEST_P(ScoreStoreTest, ThreadsAddingAndReadingAtOnceKeepEveryScoreOnce) {
    constexpr int kThreads = 6;
    constexpr int kEach = 20;
    std::vector<std::thread> threads;
    std::vector<int> added(kThreads, 0);
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                try {
                    // Threads t and t^1 send the same scores: each is one row.
                    NewScore s = score("P" + std::to_string(i) + "-" + std::to_string(t / 2),
                                       1000 * (t / 2) + i);
                    if (i % 3 == 0) s.email = "p@example.org";
                    if (store.add(s) == AddOutcome::Added) ++added[t];
                    for (const TableRow& row : store.page("Tintaro", 0, 5))
                        if (row.name.empty() || row.rank < 1) ++failures[t];
                } catch (const StoreError&) {
                    ++failures[t];
                }
            }
        });
    for (std::thread& t : threads) t.join();
    int total = 0;
    for (int t = 0; t < kThreads; ++t) {
        total += added[t];
        EXPECT_EQ(failures[t], 0) << t;
    }
    EXPECT_EQ(total, kThreads / 2 * kEach);
    EXPECT_EQ(store.count("Tintaro"), kThreads / 2 * kEach);
    EXPECT_EQ(store.contactCount(), kThreads / 2 * ((kEach + 2) / 3));
}

// PostgreSQL's own failures: a session the server ended is made again on the next use, text
// it cannot keep is refused rather than cut, and a server that is not there is an error.
TEST(PostgresScoreStoreTest, ReconnectsAfterItsSessionsEndAndRefusesWhatItCannotKeep) {
    const servertest::ScratchStore scratch(StoreKind::PostgreSQL);
    PostgresScoreStore store(scratch.address(), 2);
    NewScore s;
    s.game = "Tintaro";
    s.name = "Ada";
    s.score = 700;
    s.address = "1 Road";
    ASSERT_EQ(store.add(s), AddOutcome::Added);
    ASSERT_EQ(store.count("Tintaro"), 1);

    // End every session but the one ending them, as a restart of the server does, and wait
    // until they are gone.
    const std::string others =
        "pid <> pg_backend_pid() AND datname = current_database() AND backend_type = 'client "
        "backend'";
    servertest::postgresRun(
        scratch.address(),
        "SELECT pg_terminate_backend(pid) FROM pg_stat_activity WHERE " + others);
    for (int i = 0; i < 500; ++i) {
        try {
            servertest::postgresRun(scratch.address(),
                                    "DO $$BEGIN IF EXISTS (SELECT FROM pg_stat_activity WHERE " +
                                        others + ") THEN RAISE 'still there'; END IF; END$$");
            break;
        } catch (const std::runtime_error&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    EXPECT_EQ(store.count("Tintaro"), 1);
    s.name = "Bo";
    EXPECT_EQ(store.add(s), AddOutcome::Added);
    EXPECT_EQ(store.page("Tintaro", 0, 10).size(), 2u);
    EXPECT_EQ(store.contactCount(), 2);
    // The shorter spelling of the address opens the same database.
    ASSERT_EQ(scratch.address().rfind("postgresql://", 0), 0u);
    EXPECT_EQ(openStore("postgres://" + scratch.address().substr(13))->count("Tintaro"), 2);

    // A NUL byte, or bytes that are not UTF-8, are refused and nothing of them is kept.
    for (const std::string& name : {std::string("Cy\0rest", 7), std::string("Cy\xFF")}) {
        s.name = name;
        EXPECT_THROW(store.add(s), StoreError);
    }
    s.name = "Di";
    s.address = std::string("a\0b", 3);
    EXPECT_THROW(store.add(s), StoreError);
    EXPECT_EQ(store.count("Tintaro"), 2);
    EXPECT_EQ(store.contactCount(), 2);

    EXPECT_THROW(PostgresScoreStore{servertest::postgresDatabase(servertest::postgresServer(),
                                                                 "no_such_database")},
                 StoreError);
}

// A database made before the tables kept their counts, opened by two servers at once: both
// open it, its rows are counted once, and the counts and the version follow every change
// from then on, from the other store or from a session by hand.
TEST(PostgresScoreStoreTest, AnOlderDatabaseIsCountedOnceAndItsVersionFollowsOtherSessions) {
    const servertest::ScratchStore scratch(StoreKind::PostgreSQL);
    servertest::postgresRun(
        scratch.address(),
        "CREATE TABLE scores(id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY,"
        " game text NOT NULL, name text NOT NULL, score integer NOT NULL,"
        " verified boolean NOT NULL, moves text, submitted bigint NOT NULL,"
        " upload_key text NOT NULL, UNIQUE(game, upload_key));"
        "CREATE INDEX scores_by_rank ON scores(game, score DESC, id);"
        "CREATE TABLE contacts(score_id bigint PRIMARY KEY REFERENCES scores(id)"
        " ON DELETE CASCADE, address text NOT NULL, email text NOT NULL);"
        "INSERT INTO scores(game, name, score, verified, submitted, upload_key) VALUES"
        " ('Tintaro', 'A', 300, false, 1, 'a'), ('Tintaro', 'B', 900, false, 2, 'b'),"
        " ('Tintaro', 'C', 300, false, 3, 'c'), ('Orbis', 'D', 50, false, 4, 'd')");
    std::unique_ptr<ScoreStore> stores[2];
    {
        std::thread other([&] { stores[1] = scratch.open(); });
        stores[0] = scratch.open();
        other.join();
    }
    ASSERT_TRUE(stores[1]);
    ScoreStore& store = *stores[0];
    expectTheOlderTable(store);

    const std::optional<std::uint64_t> before = store.version();
    ASSERT_TRUE(before.has_value());
    EXPECT_EQ(store.version(), before);  // unchanged while nothing is written
    NewScore s;
    s.game = "Tintaro";
    s.name = "E";
    s.score = 600;
    ASSERT_EQ(stores[1]->add(s), AddOutcome::Added);
    const std::optional<std::uint64_t> added = store.version();
    ASSERT_TRUE(added.has_value());
    EXPECT_NE(added, before);
    EXPECT_EQ(store.count("Tintaro"), 4);
    EXPECT_EQ(store.rankOf("Tintaro", 300), 3);

    // Rows taken out by hand, one moved to another score, and one renamed.
    servertest::postgresRun(scratch.address(),
                            "DELETE FROM scores WHERE game = 'Orbis' OR name = 'B';"
                            "UPDATE scores SET score = 1000 WHERE name = 'C'");
    const std::optional<std::uint64_t> changed = store.version();
    ASSERT_TRUE(changed.has_value());
    EXPECT_NE(changed, added);
    servertest::postgresRun(scratch.address(), "UPDATE scores SET name = 'Al' WHERE name = 'A'");
    EXPECT_NE(store.version(), changed);
    expectTheEditedTable(store, "Al");
}

}  // namespace

namespace {

// Adds from many threads at once (the SQLite store commits them in groups): each caller gets its
// own outcome, each row is there once, and a row is readable through the store as soon as its add
// returns.
TEST_P(ScoreStoreTest, ManyThreadsAddingAtOnceEachGetTheirOwnOutcome) {
    constexpr int kThreads = 12;
    constexpr int kOwnRows = 40;
    constexpr int kSharedRows = 30;
    const auto row = [](const std::string& game, const std::string& name, int value) {
        NewScore s;
        s.game = game;
        s.name = name;
        s.score = value;
        s.verified = true;
        s.moves = game + "/" + name;  // what makes two uploads the same row
        s.email = name + "@example.org";
        s.submittedAt = 1000;
        return s;
    };
    std::vector<int> sharedAdded(kSharedRows, 0);
    std::vector<std::string> failures(kThreads);
    std::mutex tally;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            const std::string own = "Own" + std::to_string(t);
            std::string& failure = failures[t];
            for (int i = 0; i < kOwnRows; ++i) {
                // This thread's own rows, each new, and readable once added.
                if (store.add(row(own, "p" + std::to_string(i), 1000 - i)) != AddOutcome::Added)
                    failure += "own row not added; ";
                if (store.count(own) != i + 1) failure += "own row not counted; ";
                // Every thread also sends the same shared rows: one of them stores each.
                const int shared = (i + t) % kSharedRows;
                const NewScore s = row("Tintaro", "s" + std::to_string(shared), 500 + shared % 7);
                if (store.add(s) == AddOutcome::Added) {
                    std::lock_guard lock(tally);
                    ++sharedAdded[shared];
                }
                if (store.rankOf("Tintaro", s.score) > store.count("Tintaro"))
                    failure += "shared row not readable; ";
            }
        });
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], "") << "thread " << t;
    for (int shared = 0; shared < kSharedRows; ++shared)
        EXPECT_EQ(sharedAdded[shared], 1) << "shared row " << shared;

    EXPECT_EQ(store.count("Tintaro"), kSharedRows);
    EXPECT_EQ(store.games().size(), static_cast<std::size_t>(kThreads + 1));
    EXPECT_EQ(store.contactCount(), kThreads * kOwnRows + kSharedRows);
    for (int t = 0; t < kThreads; ++t) {
        const std::vector<TableRow> rows = store.page("Own" + std::to_string(t), 0, 100);
        ASSERT_EQ(rows.size(), static_cast<std::size_t>(kOwnRows));
        for (int i = 0; i < kOwnRows; ++i) {
            EXPECT_EQ(rows[i].name, "p" + std::to_string(i));
            EXPECT_EQ(rows[i].rank, i + 1);
        }
    }
    // Ranks on a later page of a table with ties: as rank() over the whole table.
    const std::vector<TableRow> all = store.page("Tintaro", 0, 100);
    ASSERT_EQ(all.size(), static_cast<std::size_t>(kSharedRows));
    for (std::int64_t offset = 0; offset <= kSharedRows; ++offset) {
        const std::vector<TableRow> part = store.page("Tintaro", offset, 4);
        ASSERT_EQ(part.size(), std::min<std::size_t>(4, kSharedRows - offset)) << offset;
        for (std::size_t i = 0; i < part.size(); ++i) {
            EXPECT_EQ(part[i].rank, all[offset + i].rank) << offset + i;
            EXPECT_EQ(part[i].name, all[offset + i].name) << offset + i;
        }
    }
    // Everything is in the database for another connection.
    const std::unique_ptr<ScoreStore> reopened = scratch.open();
    EXPECT_EQ(reopened->count("Tintaro"), kSharedRows);
    EXPECT_EQ(reopened->count("Own0"), kOwnRows);
}

}  // namespace

namespace {

// A file written before the tables kept their counts: opening it counts what it holds, and the
// counts follow every change from then on, rows removed by hand included.
TEST(ScoreStoreUpgradeTest, AnOlderFileIsCountedWhenOpenedAndKeptCountedAfter) {
    testsupport::TempDir dir;
    const std::string path = (dir.path() / "scores.db").string();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    const char* older =
        "PRAGMA journal_mode=WAL;"
        "CREATE TABLE scores(id INTEGER PRIMARY KEY, game TEXT NOT NULL, name TEXT NOT NULL,"
        " score INTEGER NOT NULL, verified INTEGER NOT NULL, moves TEXT,"
        " submitted INTEGER NOT NULL, upload_key TEXT NOT NULL, UNIQUE(game, upload_key));"
        "CREATE INDEX scores_by_rank ON scores(game, score DESC, id);"
        "CREATE TABLE contacts(score_id INTEGER PRIMARY KEY REFERENCES scores(id)"
        " ON DELETE CASCADE, address TEXT NOT NULL, email TEXT NOT NULL);"
        "INSERT INTO scores(game, name, score, verified, submitted, upload_key) VALUES"
        " ('Tintaro', 'A', 300, 0, 1, 'a'), ('Tintaro', 'B', 900, 0, 2, 'b'),"
        " ('Tintaro', 'C', 300, 0, 3, 'c'), ('Orbis', 'D', 50, 0, 4, 'd');";
    ASSERT_EQ(sqlite3_exec(db, older, nullptr, nullptr, nullptr), SQLITE_OK);

    {
        SqliteScoreStore store(path);
        expectTheOlderTable(store);

        NewScore s;
        s.game = "Tintaro";
        s.name = "E";
        s.score = 600;
        ASSERT_EQ(store.add(s), AddOutcome::Added);
        EXPECT_EQ(store.count("Tintaro"), 4);
        EXPECT_EQ(store.rankOf("Tintaro", 300), 3);
    }
    // Rows taken out by hand, and one moved to another score.
    ASSERT_EQ(sqlite3_exec(db,
                           "DELETE FROM scores WHERE game = 'Orbis' OR name = 'B';"
                           "UPDATE scores SET score = 1000 WHERE name = 'C';",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    SqliteScoreStore reopened(path);
    expectTheEditedTable(reopened, "A");
}

}  // namespace
