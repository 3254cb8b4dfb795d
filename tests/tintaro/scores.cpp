// The game's player look-up and its entries in the high-score table.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "profile/save_report.h"
#include "profile/score_moves.h"
#include "tests/tintaro/game_fixture.h"

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
    void TearDown() override {
        platform::faultClearAll();
        resetFailedSaveReport();
    }
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

// The table's rows with a name, as (name, score).
using Rows = std::vector<std::pair<std::string, int>>;
Rows rowsOf(const std::string& bytes) {
    Rows rows;
    for (size_t at = 4; bytes.size() == 5204u && at < bytes.size(); at += 260) {
        std::int32_t score = 0;
        std::memcpy(&score, bytes.data() + at + 256, 4);
        if (bytes[at] != '\0') rows.emplace_back(std::string(bytes.data() + at), score);
    }
    return rows;
}

// A hiscore.dat of 20 rows holding `rows` first.
std::string tableOf(const Rows& rows) {
    std::string bytes = std::string(1, '\x14') + std::string(3, '\0');
    for (size_t i = 0; i < 20; ++i) {
        std::string row(260, '\0');
        if (i < rows.size()) {
            std::memcpy(row.data(), rows[i].first.data(), rows[i].first.size());
            std::memcpy(row.data() + 256, &rows[i].second, 4);
        }
        bytes += row;
    }
    return bytes;
}

TEST_F(GameScores, AnotherCopysRowsAndAClearMadeMeanwhileAreKept) {
    // Two copies of the game started on the same table; the other one enters its score first.
    CountingGame other;
    other.newGame();
    setBoard(other, kSolvedBoard);
    other.evaluateBoard(0);
    other.submitScore();
    earn();
    game.submitScore();
    const std::string ada = "Ada:1 Road:ada@example.org:N";
    EXPECT_EQ(rowsOf(folder.read("hiscore.dat")),
              (Rows{{ada, other.getScore()}, {ada, game.getScore()}}));
    // The menu clears the table while this game goes on; the game's better score then enters
    // alone: the cleared rows stay cleared.
    folder.write("hiscore.dat", tableOf({}));
    game.setScore(game.getScore() + 5);
    game.submitScore();
    EXPECT_EQ(rowsOf(folder.read("hiscore.dat")), (Rows{{ada, game.getScore()}}));
}

TEST_F(GameScores, TheTableAndTheSavedGameStayInStepAfterAFailureOrAKill) {
    folder.write("setup.ini", "[setup]\nloadmoves=1\n");
    const std::string player = "Ada:1 Road:ada@example.org:N";
    const std::string scoreFile = (folder.menuFolder() / "Tintaro" / "hiscore.dat").string();
    // One turn of the blue ring from the start scores 400.
    game.rotateRing(0, 0);
    game.recordMove(0, 0);
    game.evaluateBoard(0);
    auto resumeAndLeave = [] {
        CountingGame again;
        again.newGame();
        EXPECT_EQ(again.getScore(), 400);
        again.saveGame();
    };
    // The table cannot be written, the saved game can: the player is told, and the saved
    // game does not claim a row the table lacks.
    folder.write("hiscore.dat", tableOf({}));
    ASSERT_EQ(::chmod(scoreFile.c_str(), 0444), 0);
    game.saveGame();
    EXPECT_TRUE(failedSaveReported());
    EXPECT_EQ(rowsOf(folder.read("hiscore.dat")), Rows{});
    ASSERT_EQ(::chmod(scoreFile.c_str(), 0644), 0);
    // Writable again, the next exit enters the row once, and the one after keeps it single.
    resumeAndLeave();
    EXPECT_EQ(rowsOf(folder.read("hiscore.dat")), (Rows{{player, 400}}));
    resumeAndLeave();
    EXPECT_EQ(rowsOf(folder.read("hiscore.dat")), (Rows{{player, 400}}));

    // A kill between the two files: the saved game names its new row (400) and the row it
    // replaces (300), while the table holds either of them, or neither after a Clear.
    auto name = [](const std::string& text) { return text + std::string(256 - text.size(), '\0'); };
    const std::string pendingGame = std::string("\x01\0\0\0", 4) + std::string(8, '\0') + "HOFE" +
                                    std::string("\x90\x01\0\0", 4) + name(player) + "HOFP" +
                                    std::string("\x01\0\0\0", 4) + std::string("\x2c\x01\0\0", 4) +
                                    name(player);
    for (const Rows& before : {Rows{{player, 300}}, Rows{{player, 400}}, Rows{}}) {
        Rows rows{{"Bo:::Y", 900}};
        rows.insert(rows.end(), before.begin(), before.end());
        folder.write("hiscore.dat", tableOf(rows));
        folder.write("moves.dat", pendingGame);
        resumeAndLeave();
        EXPECT_EQ(rowsOf(folder.read("hiscore.dat")), (Rows{{"Bo:::Y", 900}, {player, 400}}))
            << "with " << before.size() << " row(s) of this game before";
    }
}

TEST_F(GameScores, TheMovesOfAnEnteredScoreAreKeptBesideTheTableAndAFailedWriteLosesNoScore) {
    const std::string player = "Ada:1 Road:ada@example.org:N";
    const std::vector<std::pair<int, int>> played = {{0, 0}, {2, 1}, {1, 0}, {1, 7}};
    auto play = [this](const std::vector<std::pair<int, int>>& turns) {
        for (const auto& [ring, direction] : turns) {
            game.rotateRing(ring, direction);
            game.recordMove(ring, direction);
            game.evaluateBoard(0);
        }
    };
    auto movesOf = [](const std::string& name, int score) {
        ScoreMoves file;
        EXPECT_EQ(file.readFile("hiscore.moves"), 1);
        const ScoreMovesRow* row = file.find(name.c_str(), score);
        return row ? std::vector<int>(row->moves.begin(), row->moves.end()) : std::vector<int>{-1};
    };
    play(played);
    const int first = game.getScore();
    ASSERT_GT(first, 0);
    game.submitScore();
    EXPECT_EQ(rowsOf(folder.read("hiscore.dat")), (Rows{{player, first}}));
    // One code per move, 2 * ring + (direction != 0), in the order played.
    EXPECT_EQ(movesOf(player, first), (std::vector<int>{0, 5, 2, 3}));

    // hiscore.moves cannot be replaced: the better score still enters the table, the old
    // moves file stays as it was, and the player is told.
    const std::string scoreMoves = (folder.menuFolder() / "Tintaro" / "hiscore.moves").string();
    const std::string before = folder.read("hiscore.moves");
    ASSERT_EQ(::chmod(scoreMoves.c_str(), 0444), 0);
    earn();
    const int second = game.getScore();
    ASSERT_GT(second, first);
    game.submitScore();
    EXPECT_EQ(rowsOf(folder.read("hiscore.dat")), (Rows{{player, second}}));
    EXPECT_EQ(folder.read("hiscore.moves"), before);
    EXPECT_TRUE(failedSaveReported());
    ASSERT_EQ(::chmod(scoreMoves.c_str(), 0644), 0);

    // Writable again: the game's row carries its moves, and the row the table lost is
    // dropped from the file.
    game.setScore(second + 1);
    game.submitScore();
    EXPECT_EQ(movesOf(player, second + 1), (std::vector<int>{0, 5, 2, 3}));
    ScoreMoves file;
    ASSERT_EQ(file.readFile("hiscore.moves"), 1);
    EXPECT_EQ(file.rows.size(), 1u);
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
