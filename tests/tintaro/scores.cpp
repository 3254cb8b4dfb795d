// The game's player look-up and its entries in the high-score table.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/faults.h"
#include "tintaro/game_fixture.h"

using namespace tintarotest;

namespace {

class GameScores : public ::testing::Test {
protected:
    void SetUp() override {
        folder.write("../options.ini",
                     "[setup]\nplayerid=2\n[Player3]\nname=Ada\naddress=1 Road\n"
                     "email=ada@example.org\nsend=N\n");
        game.newGame();
    }
    void TearDown() override { platform::faultClearAll(); }
    // Earns a score by solving from one click away.
    void earn() {
        setBoard(game, kSolvedBoard);
        game.rotateRing(1, 1);
        game.rotateRing(1, 0);
        game.evaluateBoard(1);
    }

    GameFolder folder;
    CountingGame game;
};

TEST_F(GameScores, TheCurrentPlayerIsLookedUpFromTheMenusOptions) {
    char entry[256];
    std::memset(entry, '#', sizeof(entry));
    game.lookUpPlayer(entry);
    EXPECT_EQ(game.getPlayerId(), 2);
    EXPECT_STREQ(entry, "Ada:1 Road:ada@example.org:N");
    game.lookUpPlayer(nullptr);  // only the player and the title
    EXPECT_EQ(game.getPlayerId(), 2);
}

TEST_F(GameScores, APlayerNumberOutsideTheRosterMeansPlayerOne) {
    folder.write("../options.ini", "[setup]\nplayerid=12\n[Player1]\nname=Bo\n");
    char entry[256];
    game.lookUpPlayer(entry);
    EXPECT_EQ(game.getPlayerId(), 0);
    EXPECT_STREQ(entry, "Bo:::Y");
}

TEST_F(GameScores, ASubmittedScoreIsSavedUnderThePlayerAndReadByTheNextGame) {
    earn();
    const int score = game.getScore();
    ASSERT_GT(score, 0);
    game.submitScore();
    ASSERT_TRUE(folder.exists("hiscore.dat"));
    const std::string bytes = folder.read("hiscore.dat");
    ASSERT_EQ(bytes.size(), 5204u);
    EXPECT_EQ(bytes.substr(4, 29), std::string("Ada:1 Road:ada@example.org:N") + '\0');

    CountingGame next;
    next.newGame();
    EXPECT_EQ(next.highScores.topScore(), score);
    EXPECT_STREQ(next.highScores.entries[0].name, "Ada:1 Road:ada@example.org:N");
}

TEST_F(GameScores, AScoreOfZeroLeavesTableAndFileUntouched) {
    game.submitScore();
    EXPECT_FALSE(folder.exists("hiscore.dat"));
    EXPECT_EQ(game.highScores.topScore(), 0);
    EXPECT_STREQ(game.highScores.entries[0].name, "");
}

TEST_F(GameScores, AFailedSaveKeepsTheEarlierTable) {
    earn();
    game.submitScore();
    const std::string before = folder.read("hiscore.dat");
    game.newGame();
    earn();
    game.setScore(game.getScore() + 1);
    platform::faultSet("file-write", true);
    game.submitScore();
    platform::faultSet("file-write", false);
    EXPECT_EQ(folder.read("hiscore.dat"), before);
}

TEST_F(GameScores, ATableOfAnotherSizeStartsTheGameWithEmptyRows) {
    std::string bytes(4 + 260 * 10, 'x');
    const std::int32_t ten = 10;
    std::memcpy(bytes.data(), &ten, 4);
    folder.write("hiscore.dat", bytes);
    game.newGame();
    EXPECT_EQ(game.highScores.count, 20);
    EXPECT_EQ(game.highScores.topScore(), 0);
    EXPECT_STREQ(game.highScores.entries[19].name, "");
}

}  // namespace
