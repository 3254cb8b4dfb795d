// The score tables in one SQLite file: write-ahead log, every commit synced to disk, and
// only prepared statements with bound values. Contact details live in a table of their own,
// and each game's number of rows in another, kept by triggers in the same transactions.
//
// Adds from several threads are committed in groups: the first waiting caller commits every
// add queued meanwhile in one transaction (one sync for all), and each caller returns once
// the commit holding its row is done. Reads go through connections of their own, which the
// write-ahead log lets read beside a commit, so they do not wait for its sync.
#pragma once

#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

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

    // Returns once the row is committed and synced. When the commit fails, every add of its
    // group is tried again on its own, and those that fail then throw StoreError.
    AddOutcome add(const NewScore& score) override;
    std::vector<TableRow> page(std::string_view game, std::int64_t offset, int limit) override;
    std::int64_t count(std::string_view game) override;
    std::int64_t rankOf(std::string_view game, std::int32_t score) override;
    std::vector<std::string> games() override;
    std::int64_t contactCount() override;
    // The file's data version as a connection that never writes sees it: any commit to the
    // file, from this store or another program, changes it.
    std::optional<std::uint64_t> version() override;

    class Connection;

private:
    // An add waiting for its group's commit.
    struct Pending {
        const NewScore* score;
        AddOutcome outcome = AddOutcome::Added;
        std::exception_ptr error;
        bool done = false;
    };
    // Commits the group's rows, setting each one's outcome or error.
    void commitGroup(const std::vector<Pending*>& group);

    // A read connection of the pool, given back when the returned handle goes.
    struct ReaderReturn {
        SqliteScoreStore* store;
        void operator()(Connection* connection) const;
    };
    std::unique_ptr<Connection, ReaderReturn> reader();

    const std::string path_;
    std::unique_ptr<Connection> writer_;  // used only by the caller committing a group
    std::mutex queueMutex_;
    std::condition_variable committed_;
    std::vector<Pending*> queue_;  // adds waiting for the next group
    bool committing_ = false;      // a caller is committing a group now
    std::mutex versionMutex_;
    std::unique_ptr<Connection> versionReader_;
    std::mutex readersMutex_;
    std::vector<std::unique_ptr<Connection>> idleReaders_;
};

}  // namespace scoreserver
