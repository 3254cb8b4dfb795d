// The score table and the player roster on the fuzz corpus's hand-made files: good files
// read in full, short or miscounted score files leave the table alone, and out-of-range or
// overlong profile values stay inside their fields.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "profile/player_roster.h"
#include "profile/score_table.h"

namespace {

std::string seed(const char* area, const char* name) {
    return std::string(STUDIO_SOURCE_DIR) + "/fuzz/corpus/" + area + "/" + name;
}

}  // namespace

TEST(ScoreSeedFiles, FullTableReadsRankedRows) {
    ScoreTable t;
    t.resize(ScoreTable::kRows);
    ASSERT_EQ(t.readFile(seed("scores", "table20.dat").c_str()), 1);
    EXPECT_EQ(t.topScore(), 2000);
    EXPECT_STREQ(t.entries[19].name, "Player 19");
    EXPECT_EQ(t.entries[19].score, 2000 - 19 * 50);
}

TEST(ScoreSeedFiles, UnterminatedNamesAreCutAtTheirLastByte) {
    ScoreTable t;
    t.resize(ScoreTable::kRows);
    ASSERT_EQ(t.readFile(seed("scores", "unterminated_names.dat").c_str()), 1);
    for (int i = 0; i < t.count; ++i) {
        EXPECT_EQ(std::strlen(t.entries[i].name), static_cast<size_t>(ScoreTable::kNameLength));
        EXPECT_EQ(t.entries[i].score, -5);
    }
}

TEST(ScoreSeedFiles, ShortOrMiscountedFilesLeaveTheTable) {
    for (const char* file :
         {"short.dat", "wrong_count.dat", "negative_count.dat", "huge_count.dat"}) {
        SCOPED_TRACE(file);
        ScoreTable t;
        t.resize(ScoreTable::kRows);
        t.insert("kept", 77);
        EXPECT_EQ(t.readFile(seed("scores", file).c_str()), 0);
        EXPECT_STREQ(t.entries[0].name, "kept");
        EXPECT_EQ(t.topScore(), 77);
        EXPECT_EQ(t.entries[1].score, 0);
    }
}

TEST(ProfileSeedFiles, RosterReadsTheCurrentPlayerAndProfile) {
    PlayerRoster roster;
    roster.setPath(seed("profile", "options.ini").c_str());
    if (roster.iniPath[0] == '\0') GTEST_SKIP() << "source path longer than the roster's field";
    EXPECT_EQ(roster.readCurrentId(), 2);
    char out[PlayerRoster::kDescriptionSize];
    roster.describePlayer(2, out);
    EXPECT_STREQ(out, "Ada:1 Lane:ada@example.org:1");
}

TEST(ProfileSeedFiles, OutOfRangeIdAndOverlongValuesStayInBounds) {
    PlayerRoster roster;
    roster.setPath(seed("profile", "out_of_range.ini").c_str());
    if (roster.iniPath[0] == '\0') GTEST_SKIP() << "source path longer than the roster's field";
    EXPECT_EQ(roster.readCurrentId(), 0);

    roster.setPath(seed("profile", "long_values.ini").c_str());
    roster.readProfile(0);
    EXPECT_LT(std::strlen(roster.profiles[0].name), sizeof roster.profiles[0].name);
    EXPECT_LT(std::strlen(roster.profiles[0].address), sizeof roster.profiles[0].address);
    EXPECT_LT(std::strlen(roster.profiles[0].email), sizeof roster.profiles[0].email);
    char out[PlayerRoster::kDescriptionSize + 8];
    std::memset(out, 'y', sizeof out);
    roster.describePlayer(0, out);
    EXPECT_LT(std::strlen(out), static_cast<size_t>(PlayerRoster::kDescriptionSize));
    for (size_t k = PlayerRoster::kDescriptionSize; k < sizeof out; ++k) EXPECT_EQ(out[k], 'y');
}
