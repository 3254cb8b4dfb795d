// The check of an uploaded score by replaying its moves with the game's rules.
#include "scoreserver/score_verifier.h"

#include <gtest/gtest.h>

#include "tests/scoreserver/upload_support.h"

using namespace scoreserver;
using servertest::query;

namespace {

Verification verify(const std::string& q) {
    const ParsedQuery parsed = parseUploadQuery(q);
    EXPECT_EQ(parsed.error, QueryError::None) << q;
    return verifyUpload(parsed.upload);
}

TEST(ScoreVerifier, AcceptsExactlyTheScoreAGamesMovesEarned) {
    for (const servertest::PlayedGame& game : {servertest::shortGame(), servertest::solvedGame()}) {
        ASSERT_GT(game.score, 0);
        EXPECT_EQ(verify(query("Tintaro", "Ada:::Y", game.score, game.moves)).verdict,
                  Verdict::Verified)
            << game.moves;
        for (const int other : {game.score - 100, game.score + 1, game.score + 125})
            EXPECT_EQ(verify(query("Tintaro", "Ada:::Y", other, game.moves)).verdict,
                      Verdict::Refused)
                << other;
    }
    // A solved game's score falls by the bonus of each move, so one move more is refused even
    // with the score it would have had.
    const servertest::PlayedGame solved = servertest::solvedGame();
    ASSERT_GT(solved.score, 1000000);
    EXPECT_EQ(verify(query("Tintaro", "Ada", solved.score - 125, solved.moves + "0")).verdict,
              Verdict::Refused);
    EXPECT_EQ(verify(query("Tintaro", "Ada", solved.score, solved.moves + "0")).verdict,
              Verdict::Refused);
}

TEST(ScoreVerifier, WithoutMovesAScoreIsUnverifiedAndOtherGamesAreRefused) {
    EXPECT_EQ(verify(query("Tintaro", "Ada", 1400000)).verdict, Verdict::Unverified);
    const servertest::PlayedGame game = servertest::shortGame();
    EXPECT_EQ(verify(query("Orbis", "Ada", game.score, game.moves)).verdict, Verdict::Refused);
    EXPECT_EQ(verify(query("Orbis", "Ada", game.score)).verdict, Verdict::Refused);
    EXPECT_EQ(verify(query("tintaro", "Ada", game.score)).verdict, Verdict::Refused);
    // Garbage moves never reach the verifier: the query refuses them.
    EXPECT_EQ(parseUploadQuery(query("Tintaro", "Ada", game.score, "01x9")).error,
              QueryError::BadMoves);
}

}  // namespace
