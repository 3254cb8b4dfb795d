// The game-state base class: accessors, and per-player bests that live apart from the
// high-score table.
#include "profile/game_record.h"

#include <gtest/gtest.h>

#include "profile/score_table.h"
#include "tests/profile/profile_folder.h"

using profiletest::WorkingFolder;

namespace {

TEST(GameRecord, StartsAtZeroAndKeepsEachSettingApart) {
    GameRecord record;
    EXPECT_EQ(record.getScore(), 0);
    EXPECT_EQ(record.getPlayerId(), 0);
    EXPECT_EQ(record.step(), -1);
    record.setSettingA(1);
    record.setSettingB(2);
    record.setSettingC(3);
    record.setSettingD(4);
    record.setSettingE(5);
    record.setState(9);
    record.setScore(42);
    EXPECT_EQ(record.getSettingA(), 1);
    EXPECT_EQ(record.getSettingB(), 2);
    EXPECT_EQ(record.getSettingC(), 3);
    EXPECT_EQ(record.getSettingD(), 4);
    EXPECT_EQ(record.getSettingE(), 5);
    EXPECT_EQ(record.getState(), 9);
    EXPECT_EQ(record.getScore(), 42);
}

TEST(GameRecord, BestsNeverTouchTheHighScoreTable) {
    WorkingFolder folder;
    ScoreTable table;
    table.resize(20);
    table.insert("Ada:::Y", 1234);
    ASSERT_EQ(table.writeFile("hiscore.dat"), 1);
    const std::string scores = folder.read("Game/hiscore.dat");

    GameRecord record;
    EXPECT_EQ(record.loadBests(), 0) << "no bests saved yet";
    record.setPlayerId(3);
    record.setBestScore(777);
    record.saveBests();
    EXPECT_EQ(folder.read("Game/hiscore.dat"), scores);

    GameRecord again;
    again.setPlayerId(3);
    EXPECT_EQ(again.loadBests(), 777);
    EXPECT_EQ(again.bestScore, 777);
    again.setPlayerId(1);
    EXPECT_EQ(again.loadBests(), 0);

    // A player number outside the block uses the first slot instead of writing past it.
    GameRecord odd;
    odd.setPlayerId(40);
    odd.setBestScore(5);
    odd.saveBests();
    EXPECT_EQ(odd.playerBests[0], 5);
    EXPECT_EQ(folder.read("Game/hiscore.dat"), scores);
}

}  // namespace
