// The SQLite tables, and what an upload puts in them.
#include <gtest/gtest.h>

#include "scoreserver/score_intake.h"
#include "scoreserver/sqlite_score_store.h"
#include "scoreserver/upload_support.h"
#include "support/temp_dir.h"

using namespace scoreserver;
using servertest::query;

namespace {

class ScoreStoreTest : public ::testing::Test {
protected:
    NewScore score(const std::string& name, std::int32_t value, std::int64_t at = 1000) {
        NewScore s;
        s.game = "Tintaro";
        s.name = name;
        s.score = value;
        s.submittedAt = at;
        return s;
    }
    testsupport::TempDir dir;
    std::string path = (dir.path() / "scores.db").string();
    SqliteScoreStore store{path};
};

TEST_F(ScoreStoreTest, RanksPagesAndKeepsEachGameApart) {
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

    // Everything is in the file: a second connection sees it.
    SqliteScoreStore reopened(path);
    EXPECT_EQ(reopened.page("Tintaro", 0, 10).size(), 6u);
}

TEST_F(ScoreStoreTest, RepeatedUploadsMakeOneRowAndContactsAreKeptOnlyWhenSent) {
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

TEST_F(ScoreStoreTest, NothingIsStoredWhenAnUploadIsRefused) {
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
